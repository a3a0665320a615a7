// Letter table, path renderer (on the raster canvas) and BMP export.
#include "core/render/bmp_export.h"
#include "core/render/letter_source.h"
#include "core/render/letter_table.h"
#include "core/render/null_canvas.h"
#include "core/render/path_renderer.h"
#include "core/render/raster_canvas.h"
#include "core/render/walk_kernel.h"
#include "core/sequence/token_reader.h"

#include "test_support.h"

#include <algorithm>

namespace {

constexpr Color kRed = 0x000000FFu; // also the colour of A (slot Left)
constexpr Color kBlue = 0x00FF0000u;
constexpr Color kCyan = 0x00FFFF00u;
constexpr Color kGreen = 0x0000FF00u;

PathStyle Style(int orientation)
{
    return PathStyle{LetterTable::ForOrientation(orientation)};
}

// A surface that is not a RasterCanvas and can only be read back, as a window surface.
class ReadBackCanvas final : public NullCanvas {
public:
    explicit ReadBackCanvas(const RasterCanvas& inner) : NullCanvas(inner.Width(), inner.Height()), m_inner(inner) {}
    std::optional<BitmapPixels> ReadBitmap(int w, int h) const override { return m_inner.ReadBitmap(w, h); }

private:
    const RasterCanvas& m_inner;
};

// The points a walk passes, `step` pixels per letter, from (x, y).
std::set<std::pair<int, int>> PathPoints(std::string_view letters, const PathStyle& style, int x, int y, int step)
{
    std::set<std::pair<int, int>> points{{x, y}};
    for (const char c : letters) {
        const DirectionSlot slot = style.letters.SlotOf(static_cast<unsigned char>(c));
        for (int i = 0; i < step && slot != DirectionSlot::None; ++i) {
            x += slot == DirectionSlot::Right ? 1 : slot == DirectionSlot::Left ? -1 : 0;
            y += slot == DirectionSlot::Down ? 1 : slot == DirectionSlot::Up ? -1 : 0;
            points.insert({x, y});
        }
    }
    return points;
}

// Every point of the path is drawn, and every drawn pixel lies within one pixel of it.
void ExpectHugsPath(const RasterCanvas& canvas, const std::set<std::pair<int, int>>& points)
{
    for (const auto& [x, y] : points)
        ASSERT_NE(canvas.PixelAt(x, y), kWhite) << x << "," << y;
    for (int y = 0; y < canvas.Height(); ++y)
        for (int x = 0; x < canvas.Width(); ++x) {
            bool near = canvas.PixelAt(x, y) == kWhite;
            for (int d = 0; d < 9 && !near; ++d)
                near = points.count({x + d % 3 - 1, y + d / 3 - 1}) != 0;
            ASSERT_TRUE(near) << x << "," << y;
        }
}

// The vector walk over 64-byte blocks equals the walk a byte at a time, with runs long
// enough to reach the blocks' edges; blanks never step. `entries` fills `table`, `byte`
// joins the alphabet.
void CheckWalkKernel(const LetterTable& table, const char* entries, unsigned char byte)
{
    std::mt19937 rng(byte);
    const std::string alphabet = std::string(entries, 8) + "N \n" + static_cast<char>(byte);
    std::string bytes;
    while (bytes.size() < 64 * 40)
        bytes.append(rng() % 3 == 0 ? 1 + rng() % 70 : 1, alphabet[rng() % alphabet.size()]);
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    // So are the bytes that move a scaled walk's pen, and the rests after the blocks.
    std::vector<std::int64_t> crossings[2];
    for (const bool wide : {true, false}) {
        const WalkKernel kernel(table, wide);
        BlockMoves blocks[40];
        kernel.Walk(data, 40, blocks);
        // Reach gives each block's start and extremes that hold the walk's.
        WindowReach reach;
        kernel.Reach(data, 40, reach);
        std::int32_t x = 0, y = 0;
        for (std::size_t b = 0; b < 40; ++b) {
            const BlockMoves& m = blocks[b];
            ASSERT_EQ(m, kernel.WalkBytes(data + 64 * b, 64)) << entries << " block " << b;
            EXPECT_TRUE(reach.start[0][b] == x && reach.start[1][b] == y && reach.low[0][b] <= x + m.minX &&
                        reach.high[0][b] >= x + m.maxX && reach.low[1][b] <= y + m.minY &&
                        reach.high[1][b] >= y + m.maxY)
                << entries << " block " << b;
            x += m.dx, y += m.dy;
        }
        EXPECT_TRUE(reach.end[0] == x && reach.end[1] == y) << entries;
        // The extremes found from the reach are the walk's own, also where a block
        // reaches exactly as far as it ends (the runs of one letter).
        const std::string runs = std::string(128, entries[7]) + std::string(64, entries[0]) +
                                 std::string(64, entries[1]) + std::string(300, entries[2]);
        for (const std::string_view text : {std::string_view(bytes), std::string_view(runs)}) {
            WalkBounds found;
            found.Add(text, kernel);
            const BlockMoves all = kernel.WalkBytes(reinterpret_cast<const unsigned char*>(text.data()), text.size());
            EXPECT_TRUE(found.minX == all.minX && found.maxX == all.maxX && found.minY == all.minY &&
                        found.maxY == all.maxY && found.x == all.dx && found.y == all.dy)
                << entries;
        }
        // From exact moves, from the reach's looser ones, and from blocks not walked yet.
        BlockMoves loose[40];
        for (std::size_t b = 0; b < 40; ++b)
            loose[b] = reach.Moves(b);
        for (const std::int64_t scale : {2, 3, 37, 300})
            for (const BlockMoves* moves : {blocks, loose, static_cast<BlockMoves*>(nullptr)}) {
                std::int64_t rest[2] = {scale / 2, scale - 1};
                std::uint16_t at[64 * 40];
                const std::size_t n = moves ? kernel.Crossings(data, moves, 40, scale, rest[0], rest[1], at)
                                            : kernel.Crossings(data, 40, scale, rest[0], rest[1], at);
                crossings[wide].insert(crossings[wide].end(), at, at + n);
                crossings[wide].insert(crossings[wide].end(), rest, rest + 2);
            }
    }
    EXPECT_EQ(crossings[0], crossings[1]) << entries;
}

// A stretch held in memory that offers itself in two parts, split at `at`.
class TwoParts final : public LetterSource {
public:
    TwoParts(std::string_view letters, std::size_t at, const PathStyle& style) : m_letters(letters), m_at(at)
    {
        m_first.Add(letters.substr(0, at), WalkKernel(style.letters));
    }
    bool Rewind() override { return m_whole.Rewind(); }
    std::string_view Next() override { return m_whole.Next(); }
    IoStatus Status() const override { return {}; }
    std::optional<LetterParts> Parts() override
    {
        return LetterParts{std::make_unique<StringLetters>(m_letters.substr(0, m_at)),
                           std::make_unique<StringLetters>(m_letters.substr(m_at)), m_first.x, m_first.y};
    }

private:
    std::string_view m_letters;
    StringLetters m_whole{m_letters};
    std::size_t m_at;
    WalkBounds m_first;
};

// The picture of `letters` at `extent`, drawn whole and in two parts at once, split at `at`.
void ExpectSameInParts(std::string_view letters, std::size_t at, const PathExtent& extent, const PathStyle& style)
{
    RasterCanvas whole(extent.width, extent.height), inParts(extent.width, extent.height);
    DrawPath(letters, extent, style, whole);
    TwoParts parts(letters, at, style);
    DrawPath(parts, extent, style, inParts);
    EXPECT_TRUE(whole.Data() == inParts.Data()) << letters.size() << " split at " << at;
}

} // namespace

// Stored letters may repeat: Letter1, Letter5, Letter2, Letter6, ... the first equal wins.
// (The orientations' own tables are checked where the settings and the legend use them.)
TEST(LetterTable, DuplicateLetters)
{
    const struct {
        const char* entries;
        unsigned char byte;
        DirectionSlot slot;
    } cases[] = {
        {"xcgtACGx", 'x', DirectionSlot::Left}, {"acgtxCGT", 'x', DirectionSlot::Left},
        {"acxtAxGT", 'x', DirectionSlot::Up},   {"acgtACxx", 'x', DirectionSlot::Down},
        {"acgtACGT", 'N', DirectionSlot::None}, {"acgtACGT", 'a' | 0x80, DirectionSlot::None},
    };
    for (const auto& c : cases) {
        LetterTable table;
        std::copy(c.entries, c.entries + 8, table.entries.begin());
        EXPECT_EQ(table.SlotOf(c.byte), c.slot) << c.entries;
        EXPECT_EQ(SlotLookup(table)[c.byte], c.slot) << c.entries;

        CheckWalkKernel(table, c.entries, c.byte);
    }
}

// The vector count of tokens equals a count a byte at a time, for every byte value and
// at offsets that split the vectors.
TEST(WalkKernel, CountTokens)
{
    std::string bytes;
    for (int round = 0; round < 40; ++round)
        for (int c = 0; c < 256; ++c)
            bytes.push_back(static_cast<char>((c * 7 + round) & 0xFF));
    for (const std::size_t offset : {0u, 1u, 31u, 33u})
        for (const std::size_t n : {std::size_t{0}, std::size_t{31}, std::size_t{64}, bytes.size() - offset}) {
            const char* p = bytes.data() + offset;
            EXPECT_EQ(CountTokens(p, n), static_cast<std::size_t>(std::count_if(
                                             p, p + n, [](char c) { return !IsBlank(static_cast<unsigned char>(c)); })))
                << offset << " " << n;
        }
}

TEST(PathRenderer, MeasureAndDraw)
{
    const struct {
        std::string stretch;
        int orientation;
        PathExtent extent;
        Color endColor; // at `end`, the path's last point
        std::pair<int, int> end;
    } cases[] = {
        {"", 1, {42, 42, 21, 21, 1}, kWhite, {21, 21}},   {"NNNN", 1, {42, 42, 21, 21, 1}, kWhite, {21, 21}},
        {"AAAA", 1, {45, 42, 24, 21, 1}, kRed, {20, 21}}, {"aaaa", 1, {45, 42, 24, 21, 1}, kRed, {20, 21}},
        {"CCC", 1, {42, 44, 21, 23, 1}, kBlue, {21, 20}}, {"CG", 1, {42, 42, 21, 21, 1}, kCyan, {21, 21}},
        {"GGG", 2, {42, 44, 21, 23, 1}, kBlue, {21, 20}}, {"CCC", 2, {44, 42, 21, 21, 1}, kGreen, {24, 21}},
        {"AT", 1, {42, 42, 21, 21, 1}, kGreen, {21, 21}}, // the later step covers the earlier
    };
    for (const auto& c : cases) {
        const PathStyle style = Style(c.orientation);
        const PathExtent extent = MeasurePath(c.stretch, style);
        EXPECT_EQ(extent, c.extent) << c.stretch;
        RasterCanvas canvas(extent.width, extent.height);
        canvas.FillRect(0, 0, extent.width, extent.height, StockBrush::Black); // DrawPath clears it
        DrawPath(c.stretch, extent, style, canvas);
        EXPECT_EQ(canvas.PixelAt(c.end.first, c.end.second), c.endColor) << c.stretch;
        EXPECT_TRUE(c.endColor != kWhite || canvas.Data() == RasterCanvas(42, 42).Data()) << c.stretch;
    }
}

TEST(PathRenderer, LongStretchesScaleDownByTheSmallestWholeFactor)
{
    std::string balanced;
    for (int i = 0; i < 50000; ++i)
        balanced += "ATCG";
    const std::pair<std::string, PathExtent> cases[] = {
        {std::string(15000, 'T'), {15041, 42, 21, 21, 1}}, // the largest picture at one step per pixel
        {std::string(15001, 'T'), {7541, 41, 21, 21, 2}},     {std::string(30166, 'T'), {10096, 41, 21, 21, 3}},
        {std::string(45000, 'A'), {15040, 41, 15020, 21, 3}}, {balanced, {42, 42, 21, 21, 1}},
    };
    for (const auto& [stretch, expected] : cases)
        EXPECT_EQ(MeasurePath(stretch, Style(1)), expected) << stretch.size();

    // Wandering walks with letters of no slot and blanks, drawn scaled, are the path of
    // floor(walk / scale), one pixel move at a time, in the colour of the step that made it.
    const PathStyle style = Style(1);
    std::mt19937 rng(11);
    for (const auto& [length, alphabet] : {std::pair{36000, "AAAAACGTNa-\r"}, std::pair{3000000, "AACGTTN\nacgtTT"}}) {
        std::string wander(static_cast<std::size_t>(length), 'A');
        for (char& c : wander)
            c = alphabet[rng() % std::string_view(alphabet).size()];
        const PathExtent scaled = MeasurePath(wander, style);
        ASSERT_GE(scaled.scale, 2);
        RasterCanvas picture(scaled.width, scaled.height);
        DrawPath(wander, scaled, style, picture);
        RasterCanvas expected(scaled.width, scaled.height);
        expected.MoveTo(scaled.startX, scaled.startY);
        const auto floorDiv = [k = scaled.scale](std::int64_t v) { return v >= 0 ? v / k : -((k - 1 - v) / k); };
        std::int64_t x = 0, y = 0;
        for (const char c : wander) {
            const DirectionSlot slot =
                c == '\n' || c == '\r' ? DirectionSlot::None : style.letters.SlotOf(static_cast<unsigned char>(c));
            const std::int64_t px = floorDiv(x), py = floorDiv(y);
            x += slot == DirectionSlot::Right ? 1 : slot == DirectionSlot::Left ? -1 : 0;
            y += slot == DirectionSlot::Down ? 1 : slot == DirectionSlot::Up ? -1 : 0;
            if (floorDiv(x) != px || floorDiv(y) != py) {
                expected.SelectPen(2, style.ColorOf(slot));
                expected.LineTo(static_cast<int>(scaled.startX + floorDiv(x)),
                                static_cast<int>(scaled.startY + floorDiv(y)));
            }
        }
        EXPECT_TRUE(picture.Data() == expected.Data()) << length;
        // Drawn in two parts at once, split anywhere, it is the same picture.
        for (const std::size_t at : {std::size_t{0}, wander.size() / 3, wander.size()})
            ExpectSameInParts(wander, at, scaled, style);
    }
    // A second part whose pen moves, one per letter, are more than it keeps while the
    // first part is drawn.
    std::string swings = std::string(20000, 'C') + "A";
    for (int i = 0; i < 4300000; ++i)
        swings += "TA";
    ExpectSameInParts(swings, swings.size() / 2, MeasurePath(swings, style), style);
}

TEST(ViewerPath, FitAndDraw)
{
    std::string atAt;
    while (atAt.size() < 500000)
        atAt += "AT";
    const struct {
        std::string letters;
        int zoom;
        ViewerFit fit;
    } cases[] = {
        {std::string(1000, 'T'), 1, {639, 4, 4}},
        {std::string(1000, 'A'), 1, {637, 643, 4}},
        {std::string(1000, 'C'), 1, {367, 4, 373}},
        {std::string(1000, 'G'), 1, {369, 4, 4}},
        {std::string(1000, 'T'), 2, {319, 4, 4}},
        {std::string(1000, 'T'), 0, {639, 4, 4}}, // zoom 0 counts as 1
        {"TTTTTTTTTT", 3, {10, 4, 4}},
        {"ACGTTTGGNNAACCCC", 7, {16, 12, 19}},
        {"NNNN", 370, {0, 4, 4}},
        {"CCCC", 370, {0, 4, 375}}, // the step that breaks the frame still moves the start
        {"N", 369, {1, 4, 4}},
        {"", 1, {0, 4, 4}},
        {atAt, 1, {400000, 6, 4}}, // letters past 400000 are ignored
    };
    for (const auto& c : cases) {
        const PathStyle style = Style(1);
        const ViewerFit fit = FitViewerPath(c.letters, c.zoom, style);
        EXPECT_EQ(fit, c.fit) << c.letters.substr(0, 16) << " zoom " << c.zoom;
        if (c.letters.size() > 1000)
            continue;
        RasterCanvas screen(kViewerWidth, kViewerHeight);
        RasterCanvas image(kViewerWidth, kViewerHeight);
        screen.FillRect(0, 0, kViewerWidth, kViewerHeight, StockBrush::Black);
        DrawViewerPath(c.letters, fit, c.zoom, style, screen, image);
        EXPECT_EQ(screen.Data(), image.Data());
        const std::string_view drawn = std::string_view(c.letters).substr(0, static_cast<std::size_t>(fit.count));
        if (drawn.find_first_of("ACGT") == std::string_view::npos) {
            EXPECT_EQ(image.Data(), RasterCanvas(kViewerWidth, kViewerHeight).Data());
        } else {
            ExpectHugsPath(image, PathPoints(drawn, style, fit.startX, fit.startY, std::max(c.zoom, 1)));
        }
    }
}

// Header fields, row order and padding are checked byte for byte by the batch's golden
// pictures (tests/data/batch/*/expected); a surface read back gives the same file. What
// cannot be saved leaves no file; a rewrite keeps the file's permissions.
TEST(BmpExport, TheSameOnBothRoadsAndNeverHalfAFile)
{
    ScratchDir dir;
    RasterCanvas canvas(47, 45); // larger than the 42 x 42 saved
    canvas.SelectPen(1, 0x00010203u);
    canvas.MoveTo(0, 0);
    canvas.LineTo(0, 0);
    EXPECT_FALSE(WriteBitmapFile(dir / "none.bmp", nullptr));
    EXPECT_FALSE(SaveImage(dir / "zero.bmp", canvas, 0, 10));
    EXPECT_FALSE(SaveImage(dir / "big.bmp", ReadBackCanvas(canvas), 48, 10));
    EXPECT_TRUE(fs::is_empty(dir.Path()));
    ASSERT_TRUE(SaveImage(dir / "direct.bmp", canvas, 42, 42));
    ASSERT_TRUE(SaveImage(dir / "captured.bmp", ReadBackCanvas(canvas), 42, 42));
    const std::string bytes = ReadFile(dir / "direct.bmp");
    ASSERT_EQ(bytes.size(), 5430u);
    EXPECT_EQ(bytes.substr(54 + 41 * 128, 3), "\x01\x02\x03"); // the top row last, blue first
    EXPECT_EQ(bytes, ReadFile(dir / "captured.bmp"));

    const fs::perms perms = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    fs::permissions(dir / "direct.bmp", perms);
    ASSERT_TRUE(SaveImage(dir / "direct.bmp", canvas, 42, 42));
    EXPECT_EQ(fs::status(dir / "direct.bmp").permissions(), perms);
}
