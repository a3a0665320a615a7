#include "render/letter_table.h"
#include "render/path_renderer.h"
#include "render/raster_canvas.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>
#include <utility>

using namespace lirovane;

namespace {

PathStyle Style(int orientation)
{
    PathStyle style;
    style.letters = LetterTable::ForOrientation(orientation);
    return style;
}

constexpr Color kAs = 0x000000FFu;
constexpr Color kCs = 0x00FF0000u;
constexpr Color kTs = 0x0000FF00u;

std::string Repeat(std::string_view unit, int times)
{
    std::string s;
    for (int i = 0; i < times; ++i)
        s += unit;
    return s;
}

// Path points of a walk in pixels, as the renderer's documented geometry gives them.
std::set<std::pair<int, int>> PathPoints(std::string_view stretch, const PathStyle& style, int x, int y, int step)
{
    std::set<std::pair<int, int>> points{{x, y}};
    for (char c : stretch) {
        for (int i = 0; i < step; ++i) {
            switch (style.letters.SlotOf(static_cast<unsigned char>(c))) {
            case DirectionSlot::Left: --x; break;
            case DirectionSlot::Up: --y; break;
            case DirectionSlot::Down: ++y; break;
            case DirectionSlot::Right: ++x; break;
            case DirectionSlot::None: break;
            }
            points.insert({x, y});
        }
    }
    return points;
}

// Every path point is drawn, and every drawn pixel lies within one pixel of the path.
void ExpectHugsPath(const RasterCanvas& canvas, const std::set<std::pair<int, int>>& points)
{
    for (const auto& [x, y] : points)
        ASSERT_NE(canvas.PixelAt(x, y), kWhite) << x << "," << y;
    for (int y = 0; y < canvas.Height(); ++y) {
        for (int x = 0; x < canvas.Width(); ++x) {
            if (canvas.PixelAt(x, y) == kWhite)
                continue;
            bool near = false;
            for (int dy = -1; dy <= 1 && !near; ++dy)
                for (int dx = -1; dx <= 1 && !near; ++dx)
                    near = points.count({x + dx, y + dy}) != 0;
            ASSERT_TRUE(near) << x << "," << y;
        }
    }
}

} // namespace

TEST(LetterTable, ComparisonOrderDecidesDuplicates)
{
    struct Case {
        const char* entries; // Letter1..Letter8
        unsigned char byte;
        DirectionSlot slot;
    };
    const Case cases[] = {
        {"xcgtACGx", 'x', DirectionSlot::Left},  // Letter1 before Letter8
        {"acgtxCGT", 'x', DirectionSlot::Left},  // Letter5 before Letter2 .. Letter8
        {"acxtAxGT", 'x', DirectionSlot::Up},    // Letter6 before Letter3
        {"acgxAxGT", 'x', DirectionSlot::Up},    // Letter6 before Letter4
        {"acgtACxx", 'x', DirectionSlot::Down},  // Letter7 before Letter8
        {"acgtACGT", 'N', DirectionSlot::None},
        {"acgtACGT", 'a' | 0x80, DirectionSlot::None}, // exact 8-bit compare
    };
    for (const Case& c : cases) {
        LetterTable table;
        for (std::size_t i = 0; i < 8; ++i)
            table.entries[i] = static_cast<unsigned char>(c.entries[i]);
        EXPECT_EQ(table.SlotOf(c.byte), c.slot) << c.entries;
        const SlotLookup lookup(table);
        for (int b = 0; b < 256; ++b)
            ASSERT_EQ(lookup[static_cast<unsigned char>(b)], table.SlotOf(static_cast<unsigned char>(b)));
    }
}

TEST(LetterTable, Orientations)
{
    const std::pair<int, const char*> cases[] = {{1, "acgtACGT"}, {2, "agtcAGTC"}, {3, "actgACTG"}};
    for (const auto& [orientation, text] : cases) {
        LetterTable table = LetterTable::ForOrientation(1);
        ASSERT_TRUE(ApplyOrientation(table, orientation));
        EXPECT_EQ(std::string(table.entries.begin(), table.entries.end()), text);
    }
    LetterTable table = LetterTable::ForOrientation(3);
    EXPECT_FALSE(ApplyOrientation(table, 7));
    EXPECT_FALSE(ApplyOrientation(table, 0));
    EXPECT_EQ(table, LetterTable::ForOrientation(3));
}

TEST(PathRenderer, MeasureAndDraw)
{
    struct Case {
        const char* name;
        std::string stretch;
        int orientation;
        PathExtent extent;
        Color lastColor; // colour at the path's end point; kWhite for no line
        std::pair<int, int> end{};
    };
    const Case cases[] = {
        {"empty", "", 1, {42, 42, 21, 21, 1}, kWhite},
        {"four N", "NNNN", 1, {42, 42, 21, 21, 1}, kWhite},
        {"AAAA", "AAAA", 1, {45, 42, 24, 21, 1}, kAs, {20, 21}},
        {"aaaa", "aaaa", 1, {45, 42, 24, 21, 1}, kAs, {20, 21}},
        {"CCC", "CCC", 1, {42, 44, 21, 23, 1}, kCs, {21, 20}},
        {"CG back down", "CG", 1, {42, 42, 21, 21, 1}, 0x00FFFF00u, {21, 21}},
        {"GGG up under 2", "GGG", 2, {42, 44, 21, 23, 1}, kCs, {21, 20}},
        {"CCC right under 2", "CCC", 2, {44, 42, 21, 21, 1}, kTs, {24, 21}},
        {"later step covers earlier", "AT", 1, {42, 42, 21, 21, 1}, kTs, {21, 21}},
        {"mixed with gaps", "ACGT-NACcgtTTTGGGaaa\r\n>hdr", 3, {}, kWhite},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const PathStyle style = Style(c.orientation);
        const PathExtent extent = MeasurePath(c.stretch, style);
        if (c.extent.width != 0) {
            EXPECT_EQ(extent, c.extent);
        }
        RasterCanvas canvas(extent.width, extent.height);
        canvas.FillRect(0, 0, extent.width, extent.height, StockBrush::Black);
        DrawPath(c.stretch, extent, style, canvas);
        const auto points = PathPoints(c.stretch, style, extent.startX, extent.startY, 1);
        if (points.size() > 1) {
            ExpectHugsPath(canvas, points);
        } else {
            EXPECT_EQ(canvas.Data(), RasterCanvas(extent.width, extent.height).Data());
        }
        if (c.lastColor != kWhite) {
            EXPECT_EQ(canvas.PixelAt(c.end.first, c.end.second), c.lastColor);
        }
    }
    EXPECT_EQ(MeasurePath("acgtnACGTN", Style(1)), MeasurePath("ACGTNACGTN", Style(1)));
}

TEST(PathRenderer, TwoPixelPenCoverage)
{
    // AAAA: from (24, 21) to (20, 21); the pen covers columns 19..24 and rows 20..21.
    RasterCanvas canvas(45, 42);
    const PathStyle style = Style(1);
    DrawPath("AAAA", MeasurePath("AAAA", style), style, canvas);
    for (int y = 0; y < 42; ++y)
        for (int x = 0; x < 45; ++x)
            ASSERT_EQ(canvas.PixelAt(x, y), (x >= 19 && x <= 24 && y >= 20 && y <= 21) ? kAs : kWhite) << x << "," << y;
}

TEST(PathRenderer, RandomWalksStayNearThePath)
{
    std::mt19937 rng(7);
    const std::string alphabet = "acgtACGTNn-";
    for (int round = 0; round < 20; ++round) {
        std::string stretch(static_cast<std::size_t>(rng() % 400), 'A');
        for (char& c : stretch)
            c = alphabet[rng() % alphabet.size()];
        const PathStyle style = Style(1 + round % 3);
        const PathExtent extent = MeasurePath(stretch, style);
        RasterCanvas canvas(extent.width, extent.height);
        DrawPath(stretch, extent, style, canvas);
        ExpectHugsPath(canvas, PathPoints(stretch, style, extent.startX, extent.startY, 1));
    }
}

TEST(PathRenderer, LongStretchesScaleDownByTheSmallestWholeFactor)
{
    struct Case {
        const char* name;
        std::string stretch;
        PathExtent extent;
    };
    const Case cases[] = {
        {"15000 steps right: the largest exact picture", std::string(15000, 'T'), {15041, 42, 21, 21, 1}},
        {"one step more: halved", std::string(15001, 'T'), {7541, 41, 21, 21, 2}},
        {"20000 right", std::string(20000, 'T'), {10041, 41, 21, 21, 2}},
        {"30166 right needs 3", std::string(30166, 'T'), {10096, 41, 21, 21, 3}},
        {"balanced and long stays exact", Repeat("ATCG", 50000), {42, 42, 21, 21, 1}},
        {"45000 left", std::string(45000, 'A'), {15040, 41, 15020, 21, 3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const PathExtent extent = MeasurePath(c.stretch, Style(1));
        EXPECT_EQ(extent, c.extent);
        EXPECT_LE(extent.width + extent.height, kMaxPictureSpan);
    }

    // One pixel per k steps: 20000 T at k = 2 is a line from (21, 21) to (10021, 21).
    const std::string stretch(20000, 'T');
    const PathExtent extent = MeasurePath(stretch, Style(1));
    RasterCanvas canvas(extent.width, extent.height);
    DrawPath(stretch, extent, Style(1), canvas);
    EXPECT_EQ(canvas.PixelAt(10021, 21), kTs);
    EXPECT_EQ(canvas.PixelAt(20, 20), kTs);
    EXPECT_EQ(canvas.PixelAt(10022, 21), kWhite);
    EXPECT_EQ(canvas.PixelAt(21, 22), kWhite);

    // A wandering walk drawn at k = 2 hugs the path of floor(walk / 2).
    std::mt19937 rng(11);
    std::string wander(36000, 'A');
    for (char& c : wander)
        c = "AAAAACGTN"[rng() % 9];
    const PathStyle style = Style(1);
    const PathExtent scaled = MeasurePath(wander, style);
    ASSERT_EQ(scaled.scale, 2);
    RasterCanvas picture(scaled.width, scaled.height);
    DrawPath(wander, scaled, style, picture);
    std::set<std::pair<int, int>> points;
    for (const auto& [x, y] : PathPoints(wander, style, 0, 0, 1)) {
        const auto half = [](int v) { return v >= 0 ? v / 2 : -((1 - v) / 2); };
        points.insert({scaled.startX + half(x), scaled.startY + half(y)});
    }
    ExpectHugsPath(picture, points);
}

TEST(ViewerPath, Fit)
{
    struct Case {
        const char* name;
        std::string letters;
        int zoom;
        ViewerFit fit;
    };
    const Case cases[] = {
        {"1000 T", std::string(1000, 'T'), 1, {639, 4, 4}},
        {"1000 A: maxX starts at 1", std::string(1000, 'A'), 1, {637, 643, 4}},
        {"ten T fit", std::string(10, 'T'), 1, {10, 4, 4}},
        {"1000 C up", std::string(1000, 'C'), 1, {367, 4, 373}},
        {"1000 G down", std::string(1000, 'G'), 1, {369, 4, 4}},
        {"zoom 2", std::string(1000, 'T'), 2, {319, 4, 4}},
        {"zoom 370", "NNNN", 370, {0, 4, 4}},
        {"zoom 370 up: step counts in start", "CCCC", 370, {0, 4, 375}},
        {"zoom 369 no-slot letter fits", "N", 369, {1, 4, 4}},
        {"no letters", "", 1, {0, 4, 4}},
        {"no letters big zoom", "", 500, {0, 4, 4}},
        {"zoom 0 counts as 1", std::string(1000, 'T'), 0, {639, 4, 4}},
        {"cap of 400000 letters", Repeat("AT", 250000), 1, {400000, 6, 4}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FitViewerPath(c.letters, c.zoom, Style(1)), c.fit);
    }
}

TEST(ViewerPath, DrawsTheFittedLettersOnBothCanvases)
{
    struct Case {
        std::string letters;
        int zoom;
    };
    const Case cases[] = {{std::string(1000, 'T'), 1}, {"TTTTTTTTTT", 3}, {"ACGTTTGGNNAACCCC", 7}, {"ACGT", 400}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.letters.substr(0, 16));
        const PathStyle style = Style(1);
        const ViewerFit fit = FitViewerPath(c.letters, c.zoom, style);
        RasterCanvas screen(kViewerWidth, kViewerHeight);
        RasterCanvas image(kViewerWidth, kViewerHeight);
        screen.FillRect(0, 0, 650, 380, StockBrush::Black);
        DrawViewerPath(c.letters, fit, c.zoom, style, screen, image);
        EXPECT_EQ(screen.Data(), image.Data());
        const auto drawn = std::string_view(c.letters).substr(0, static_cast<std::size_t>(fit.count));
        const auto points = PathPoints(drawn, style, fit.startX, fit.startY, c.zoom);
        if (fit.count == 0) {
            EXPECT_EQ(image.Data(), RasterCanvas(kViewerWidth, kViewerHeight).Data());
        } else {
            ExpectHugsPath(image, points);
        }
    }
    // The letter whose step breaks the frame is not drawn: 639 of 1000 T end at x = 643.
    RasterCanvas screen(kViewerWidth, kViewerHeight);
    RasterCanvas image(kViewerWidth, kViewerHeight);
    const std::string letters(1000, 'T');
    DrawViewerPath(letters, FitViewerPath(letters, 1, Style(1)), 1, Style(1), screen, image);
    EXPECT_EQ(image.PixelAt(643, 4), kTs);
    EXPECT_EQ(image.PixelAt(644, 4), kWhite);
}
