#pragma once

#include "core/files/io_error.h"
#include "core/render/canvas.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace lirovane {

// A surface that keeps what is drawn on it as an SVG drawing instead of pixels, so that
// the renderers draw a vector picture through the same calls that draw a raster one.
//
// The picture is width x height pixels. Coordinates on the surface are `unitsPerPixel`
// times finer (its Width() and Height() are that much larger), and the document keeps
// that scale as its viewBox: a walk measured in steps but shown at one pixel per k
// steps keeps every step. Pen widths stay in pixels of the picture.
//
// The drawing covers what the raster canvas covers: a square pen of width w reaches
// w / 2 pixels left of and above the line and (w - 1) / 2 right of and below it, and
// both ends of a line are included (square caps). Lines drawn one after another with
// the same pen, each from where the last ended, become one path element; a line that
// turns back on the last starts a new subpath, so that it gets a square end of its own.
class SvgCanvas final : public Canvas {
public:
    SvgCanvas(int width, int height, int unitsPerPixel = 1);

    void FillRect(int left, int top, int right, int bottom, StockBrush brush) override;
    void MoveTo(int x, int y) override;
    void SelectPen(int width, Color color) override;
    void ReleasePen() override;
    void LineTo(int x, int y) override;
    void TextOut(int x, int y, std::string_view text) override; // draws nothing, as on the raster canvas
    void Rectangle(int left, int top, int right, int bottom) override;
    void SelectBrush(Color color) override;
    void ReleaseBrush() override;
    int Width() const override { return m_unitWidth; }
    int Height() const override { return m_unitHeight; }
    // A drawing cannot be read back as pixels.
    std::optional<BitmapPixels> ReadBitmap(int, int) const override { return std::nullopt; }

    // The whole document, with `title` (any bytes; escaped, and made valid UTF-8) as its <title>.
    // A body of more than 64 KiB waits in an unnamed temporary file, so that a
    // drawing of millions of steps holds no more memory than a small one.
    std::string Document(std::string_view title) const;
    // Writes the document; succeeds only when the file was written completely.
    IoStatus Save(const std::filesystem::path& file, std::string_view title) const;

private:
    struct Pen {
        int width = 1;
        Color color = kBlack;
        friend bool operator==(const Pen&, const Pen&) = default;
    };

    void ClosePath();
    // Moves the body to the temporary file once it is large; true while all is well.
    void SpillIfLarge();
    // Hands the body, in pieces, to `write`; the error number when the temporary file
    // failed, else 0.
    template <typename Write> int EmitBody(Write&& write) const;
    int PenClass(const Pen& pen);
    void AppendPoint(std::int64_t x, std::int64_t y, const Pen& pen);
    std::string Head(std::string_view title) const;

    int m_width;
    int m_height;
    int m_scale;
    int m_unitWidth;
    int m_unitHeight;
    int m_curX = 0;
    int m_curY = 0;
    Pen m_pen;
    Color m_brush = kWhite;

    std::vector<Pen> m_pens; // index = class number in the style sheet
    std::string m_body;
    struct CloseFile {
        void operator()(std::FILE* file) const noexcept { std::fclose(file); }
    };
    std::unique_ptr<std::FILE, CloseFile> m_spill; // the body's first part, when large
    int m_spillError = 0;                          // errno of the first write to the temporary file that failed
    bool m_noSpill = false;                        // no temporary file could be made: the body stays in memory
    bool m_pathOpen = false;
    Pen m_pathPen;
    int m_pathEndX = 0;
    int m_pathEndY = 0;
    int m_lastDx = 0; // sign of the last segment's direction
    int m_lastDy = 0;
};

} // namespace lirovane
