#include "core/render/raster_canvas.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>

#include <sys/mman.h>

namespace lirovane {

namespace {

std::size_t Index(int x, int y, int width)
{
    return (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)) * 3u;
}

} // namespace

RasterCanvas::RasterCanvas(int width, int height)
{
    Resize(width, height);
}

void RasterCanvas::Resize(int width, int height)
{
    m_width = std::max(width, 0);
    m_height = std::max(height, 0);
    const std::size_t bytes = static_cast<std::size_t>(m_width) * static_cast<std::size_t>(m_height) * 3u;
    // assign() reuses the old allocation when it is large enough; otherwise the old
    // pixels go first, so that two large pictures are never held at once.
    if (bytes > m_data.capacity())
        std::vector<std::uint8_t>().swap(m_data);
    m_data.assign(bytes, 0xFF);
    m_white = true;
    m_curX = 0;
    m_curY = 0;
}

void RasterCanvas::Reserve(std::size_t bytes)
{
    if (bytes <= m_data.capacity())
        return;
    m_data.reserve(bytes);
    // Large pages where the system gives them on request: a picture's first touch of
    // its pages then costs a fault per 2 MiB instead of one per 4 KiB.
    constexpr std::size_t kLarge = std::size_t{2} << 20;
    const std::size_t past = reinterpret_cast<std::uintptr_t>(m_data.data()) % kLarge;
    const std::size_t skip = past == 0 ? 0 : kLarge - past;
    if (bytes > skip + kLarge)
        ::madvise(m_data.data() + skip, (bytes - skip) / kLarge * kLarge, MADV_HUGEPAGE);
}

void RasterCanvas::FillRows(std::size_t left, std::size_t top, std::size_t columns, std::size_t rows, Color color)
{
    const std::size_t stride = static_cast<std::size_t>(m_width) * 3u;
    const std::size_t rowBytes = columns * 3u;
    const std::uint8_t b = BlueOf(color);
    const std::uint8_t g = GreenOf(color);
    const std::uint8_t r = RedOf(color);
    std::uint8_t* first = m_data.data() + top * stride + left * 3u;
    if (b == g && g == r) {
        for (std::size_t y = 0; y < rows; ++y)
            std::memset(first + y * stride, b, rowBytes);
        return;
    }
    for (std::size_t i = 0; i < rowBytes; i += 3) {
        first[i] = b;
        first[i + 1] = g;
        first[i + 2] = r;
    }
    for (std::size_t y = 1; y < rows; ++y)
        std::memcpy(first + y * stride, first, rowBytes);
}

void RasterCanvas::Plot(std::int64_t x, std::int64_t y)
{
    // The square pen: w / 2 pixels left of and above the point, (w - 1) / 2 right and below.
    const std::int64_t before = m_penWidth / 2;
    const std::int64_t after = (m_penWidth - 1) / 2;
    FillBox(x - before, y - before, x + after + 1, y + after + 1, m_penColor);
}

void RasterCanvas::FillRect(int left, int top, int right, int bottom, StockBrush brush)
{
    FillBox(left, top, right, bottom, brush == StockBrush::White ? kWhite : kBlack);
}

void RasterCanvas::MoveTo(int x, int y)
{
    m_curX = x;
    m_curY = y;
}

void RasterCanvas::SlantedLine(int x0, int y0, int x, int y)
{
    const std::int64_t dx = std::llabs(std::int64_t{x} - x0);
    const std::int64_t dy = -std::llabs(std::int64_t{y} - y0);
    const int sx = x0 < x ? 1 : -1;
    const int sy = y0 < y ? 1 : -1;
    std::int64_t err = dx + dy;
    std::int64_t px = x0;
    std::int64_t py = y0;
    for (;;) {
        Plot(px, py);
        if (px == x && py == y)
            break;
        const std::int64_t e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            px += sx;
        }
        if (e2 <= dx) {
            err += dx;
            py += sy;
        }
    }
}

void RasterCanvas::TextOut(int /*x*/, int /*y*/, std::string_view /*text*/)
{
    // Text is drawn only on window surfaces.
}

void RasterCanvas::Rectangle(int left, int top, int right, int bottom)
{
    if (right <= left || bottom <= top)
        return;
    // Inside with the brush, then the outline on the border pixels with the pen.
    FillBox(left + 1, top + 1, right - 1, bottom - 1, m_brushColor);
    OutlineRectangle(left, top, right, bottom, m_curX, m_curY);
}

void RasterCanvas::SelectBrush(Color color)
{
    m_brushColor = color;
}

void RasterCanvas::ReleaseBrush()
{
    m_brushColor = kWhite;
}

std::optional<BitmapPixels> RasterCanvas::ReadBitmap(int width, int height) const
{
    if (width <= 0 || height <= 0 || width > m_width || height > m_height)
        return std::nullopt;
    BitmapPixels pixels;
    pixels.width = width;
    pixels.height = height;
    pixels.bitsPerPixel = 24;
    pixels.stride = width * 3;
    const std::size_t rowBytes = static_cast<std::size_t>(pixels.stride);
    pixels.data.resize(rowBytes * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y)
        std::memcpy(pixels.data.data() + rowBytes * static_cast<std::size_t>(y), m_data.data() + Index(0, y, m_width),
                    rowBytes);
    return pixels;
}

Color RasterCanvas::PixelAt(int x, int y) const
{
    if (x < 0 || y < 0 || x >= m_width || y >= m_height)
        return kWhite;
    const std::size_t i = Index(x, y, m_width);
    return MakeColor(m_data[i + 2], m_data[i + 1], m_data[i]);
}

const RasterCanvas* CoveringRaster(const Canvas& canvas, int width, int height)
{
    const auto* raster = dynamic_cast<const RasterCanvas*>(&canvas);
    return raster != nullptr && width <= raster->Width() && height <= raster->Height() ? raster : nullptr;
}

} // namespace lirovane
