#include "render/raster_canvas.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace lirovane;

namespace {

constexpr Color kRed = 0x000000FFu;

// Draws '#' for non-white pixels, '.' for white, one string per row.
std::vector<std::string> Picture(const RasterCanvas& c)
{
    std::vector<std::string> rows;
    for (int y = 0; y < c.Height(); ++y) {
        rows.emplace_back();
        for (int x = 0; x < c.Width(); ++x)
            rows.back() += c.PixelAt(x, y) == kWhite ? '.' : '#';
    }
    return rows;
}

// A canvas that is not a RasterCanvas and keeps the base CopyRect.
class PlainCanvas final : public Canvas {
public:
    explicit PlainCanvas(RasterCanvas& inner) : m_inner(inner) {}
    void FillRect(int l, int t, int r, int b, StockBrush brush) override { m_inner.FillRect(l, t, r, b, brush); }
    void MoveTo(int x, int y) override { m_inner.MoveTo(x, y); }
    void SelectPen(int w, Color c) override { m_inner.SelectPen(w, c); }
    void ReleasePen() override { m_inner.ReleasePen(); }
    void LineTo(int x, int y) override { m_inner.LineTo(x, y); }
    void TextOut(int, int, std::string_view) override {}
    void Rectangle(int l, int t, int r, int b) override { m_inner.Rectangle(l, t, r, b); }
    void SelectBrush(Color c) override { m_inner.SelectBrush(c); }
    void ReleaseBrush() override { m_inner.ReleaseBrush(); }
    int Width() const override { return m_inner.Width(); }
    int Height() const override { return m_inner.Height(); }
    std::optional<BitmapPixels> ReadBitmap(int w, int h) const override { return m_inner.ReadBitmap(w, h); }

private:
    RasterCanvas& m_inner;
};

} // namespace

TEST(RasterCanvas, PenCoverage)
{
    struct Case {
        const char* name;
        int pen;
        int x0, y0, x1, y1;
        std::vector<std::string> picture;
    };
    const std::vector<Case> cases = {
        {"width 1 covers the segment, both ends", 1, 1, 2, 4, 2, {".....", ".....", ".####", ".....", "....."}},
        {"width 2 adds the column left and the row above", 2, 4, 2, 1, 2, {".....", "#####", "#####", ".....", "....."}},
        {"width 2 vertical", 2, 2, 1, 2, 3, {".##..", ".##..", ".##..", ".##..", "....."}},
        {"width 3 is centred", 3, 2, 2, 2, 2, {".....", ".###.", ".###.", ".###.", "....."}},
        {"clipped at the edge", 2, 0, 0, 0, 0, {"#....", ".....", ".....", ".....", "....."}},
        {"diagonal", 1, 0, 0, 4, 4, {"#....", ".#...", "..#..", "...#.", "....#"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RasterCanvas canvas(5, 5);
        canvas.SelectPen(c.pen, kRed);
        canvas.MoveTo(c.x0, c.y0);
        canvas.LineTo(c.x1, c.y1);
        EXPECT_EQ(Picture(canvas), c.picture);
    }
}

TEST(RasterCanvas, FillsAndRectangles)
{
    RasterCanvas canvas(6, 4);
    canvas.FillRect(-3, 1, 2, 99, StockBrush::Black); // clipped, right and bottom exclusive
    canvas.SelectBrush(kRed);
    canvas.Rectangle(3, 0, 6, 3); // black outline, red inside
    EXPECT_EQ(Picture(canvas), (std::vector<std::string>{"...###", "##.###", "##.###", "##...."}));
    EXPECT_EQ(canvas.PixelAt(4, 1), kRed);
    EXPECT_EQ(canvas.PixelAt(3, 1), kBlack);
    canvas.Resize(3, 2);
    EXPECT_EQ(Picture(canvas), (std::vector<std::string>{"...", "..."}));
}

TEST(RasterCanvas, CopyRect)
{
    struct Case {
        const char* name;
        int x, y, w, h, srcX, srcY;
        bool sameSurface;
        bool plainDestination;
        std::vector<std::string> picture;
    };
    // The source has one marked pixel at (1, 1) and one at (2, 1).
    const std::vector<Case> cases = {
        {"whole copy", 0, 0, 4, 3, 0, 0, false, false, {"....", ".##.", "...."}},
        {"shifted, clipped on the right", 2, 1, 4, 3, 0, 0, false, false, {"....", "....", "...#"}},
        {"negative source start", 0, 0, 4, 3, -1, 0, false, false, {"....", "..##", "...."}},
        {"overlapping within one surface", 1, 1, 3, 2, 0, 0, true, false, {"....", "....", "..##"}},
        {"base copy through pen plots", 1, 0, 4, 3, 0, 1, false, true, {"..##", "....", "...."}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RasterCanvas source(4, 3);
        source.SelectPen(1, kRed);
        source.MoveTo(1, 1);
        source.LineTo(2, 1);
        RasterCanvas target(4, 3);
        RasterCanvas& dest = c.sameSurface ? source : target;
        PlainCanvas plain(dest);
        Canvas& destination = c.plainDestination ? static_cast<Canvas&>(plain) : dest;
        destination.CopyRect(c.x, c.y, c.w, c.h, source, c.srcX, c.srcY);
        EXPECT_EQ(Picture(dest), c.picture);
    }
}
