#pragma once

#include "core/render/canvas.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

namespace lirovane {

// An in-memory surface of 24 bits per pixel, white at creation. It is the off-screen
// surface of the batch and the viewer's image, and what SaveImage reads back.
//
// Pen coverage: a square pen of width w stamped on every pixel of the segment from
// (x0, y0) to (x1, y1), both end points included. The square reaches w / 2 pixels
// left of and above the point and (w - 1) / 2 right of and below it, so a 2-pixel
// line covers the columns min(x) - 1 .. max(x) and the rows min(y) - 1 .. max(y):
// a path of unit steps has no gaps and every covered pixel lies within one pixel of
// the path. A pen of width 1 covers exactly the segment's pixels.
// Only horizontal and vertical lines are drawn by this program; other lines are
// drawn with Bresenham's algorithm and the same square pen.
class RasterCanvas final : public Canvas {
public:
    RasterCanvas(int width, int height);

    void FillRect(int left, int top, int right, int bottom, StockBrush brush) override;
    void MoveTo(int x, int y) override;
    // The pen and straight lines are inline: a scaled walk draws a short line every few
    // dozen steps, through a pen whose type the compiler knows.
    void SelectPen(int width, Color color) override
    {
        m_penWidth = std::max(width, 1); // a width of 0 draws one pixel wide
        m_penColor = color;
    }
    void ReleasePen() override
    {
        m_penWidth = 1;
        m_penColor = kBlack;
    }
    void LineTo(int x, int y) override
    {
        const int x0 = std::exchange(m_curX, x);
        const int y0 = std::exchange(m_curY, y);
        if (x0 != x && y0 != y) {
            SlantedLine(x0, y0, x, y);
            return;
        }
        // Straight lines, the only ones the renderer draws: one box.
        const std::int64_t before = m_penWidth / 2;
        const std::int64_t after = (m_penWidth - 1) / 2;
        FillBox(std::int64_t{std::min(x0, x)} - before, std::int64_t{std::min(y0, y)} - before,
                std::int64_t{std::max(x0, x)} + after + 1, std::int64_t{std::max(y0, y)} + after + 1, m_penColor);
    }
    void TextOut(int x, int y, std::string_view text) override; // draws nothing
    void Rectangle(int left, int top, int right, int bottom) override;
    void SelectBrush(Color color) override;
    void ReleaseBrush() override;
    // Keeps the current point; a copy within one surface works as if through a buffer.
    int Width() const override { return m_width; }
    int Height() const override { return m_height; }
    std::optional<BitmapPixels> ReadBitmap(int width, int height) const override;

    // The square pen of width 2 stamped at (x, y), as a line of no length draws it:
    // columns x - 1 .. x and rows y - 1 .. y, clipped to the surface.
    void Stamp(std::int64_t x, std::int64_t y, Color color)
    {
        if (x < 1 || y < 1 || x >= m_width || y >= m_height) {
            FillBox(x - 1, y - 1, x + 1, y + 1, color);
            return;
        }
        m_white = false;
        const std::uint8_t two[6] = {BlueOf(color), GreenOf(color), RedOf(color),
                                     BlueOf(color), GreenOf(color), RedOf(color)};
        const std::size_t stride = static_cast<std::size_t>(m_width) * 3u;
        std::uint8_t* p =
            m_data.data() + static_cast<std::size_t>(y - 1) * stride + static_cast<std::size_t>(x - 1) * 3u;
        std::memcpy(p, two, sizeof two);
        std::memcpy(p + stride, two, sizeof two);
    }

    // Makes the surface width x height and white, as a fresh bitmap would be.
    void Resize(int width, int height);
    // Sets aside room for surfaces of up to `bytes` pixel bytes without touching it, so
    // that a run of pictures of varying sizes reuses the pages the larger ones touched
    // instead of faulting in fresh ones for each (a surface held between pictures
    // never grows past the largest of them).
    void Reserve(std::size_t bytes);
    Color PixelAt(int x, int y) const;
    // Top row first, 3 bytes per pixel (blue, green, red), no padding.
    const std::vector<std::uint8_t>& Data() const noexcept { return m_data; }
    std::vector<std::uint8_t>& Data() noexcept
    {
        m_white = false;
        return m_data;
    }

private:
    void Plot(std::int64_t x, std::int64_t y);
    // Bresenham, stamping the pen on every pixel, both ends included.
    void SlantedLine(int x0, int y0, int x1, int y1);
    // Fills [left, right) x [top, bottom), clipped to the surface; 64-bit so that
    // coordinates near the int limits plus a pen width cannot overflow. A pen's few
    // pixels are stored one by one, larger boxes a row at a time.
    void FillBox(std::int64_t left64, std::int64_t top64, std::int64_t right64, std::int64_t bottom64, Color color)
    {
        const auto left = static_cast<std::size_t>(std::max<std::int64_t>(left64, 0));
        const auto top = static_cast<std::size_t>(std::max<std::int64_t>(top64, 0));
        const std::int64_t right = std::min<std::int64_t>(right64, m_width);
        const std::int64_t bottom = std::min<std::int64_t>(bottom64, m_height);
        if (right <= static_cast<std::int64_t>(left) || bottom <= static_cast<std::int64_t>(top))
            return;
        // A drawing starts by whitening its whole picture, which a fresh surface already is.
        if (m_white && color == kWhite)
            return;
        m_white = false;
        const std::size_t columns = static_cast<std::size_t>(right) - left;
        const std::size_t rows = static_cast<std::size_t>(bottom) - top;
        if (columns * rows > kSmallBox) {
            FillRows(left, top, columns, rows, color);
            return;
        }
        const std::size_t stride = static_cast<std::size_t>(m_width) * 3u;
        std::uint8_t* row = m_data.data() + top * stride + left * 3u;
        for (std::size_t y = 0; y < rows; ++y, row += stride)
            for (std::size_t x = 0; x < columns; ++x) {
                row[3 * x] = BlueOf(color);
                row[3 * x + 1] = GreenOf(color);
                row[3 * x + 2] = RedOf(color);
            }
    }
    void FillRows(std::size_t left, std::size_t top, std::size_t columns, std::size_t rows, Color color);

    static constexpr std::size_t kSmallBox = 16;

    int m_width = 0;
    int m_height = 0;
    std::vector<std::uint8_t> m_data;
    bool m_white = true; // nothing drawn since the surface was made white whole
    int m_curX = 0;
    int m_curY = 0;
    int m_penWidth = 1;
    Color m_penColor = kBlack;
    Color m_brushColor = kWhite;
};

// `canvas` as a raster canvas when it is one and holds a whole width by height
// picture, so a writer can take its rows as they stand; nullptr otherwise.
const RasterCanvas* CoveringRaster(const Canvas& canvas, int width, int height);

} // namespace lirovane
