// The Strandscope viewer without its window, and its command-line picture.
#include "viewer/strandscope_model.h"
#include "viewer/view_options.h"

#include "test_support.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace lirovane;
using lirovane::testing::ReadFile;
using lirovane::testing::ScratchDir;
using lirovane::testing::WriteFile;
namespace fs = std::filesystem;

namespace {

enum class Cmd { None, Next, Previous, Redraw, ZoomIn, ZoomOut };

bool Apply(StrandscopeModel& m, Cmd c)
{
    switch (c) {
    case Cmd::None: return false;
    case Cmd::Next: return m.Next();
    case Cmd::Previous: return m.Previous();
    case Cmd::Redraw: return m.Redraw();
    case Cmd::ZoomIn: return m.ZoomIn();
    case Cmd::ZoomOut: return m.ZoomOut();
    }
    return false;
}

bool IsWhite(const StrandscopeModel& m)
{
    return m.Image().Data() == RasterCanvas(kViewerWidth, kViewerHeight).Data();
}

} // namespace

TEST(StrandscopeModel, ThousandTsStepZoomAndStopAtTheEnds)
{
    ScratchDir dir;
    const fs::path file = WriteFile(dir / "t1000.txt", std::string(1000, 'T'));
    const struct Step {
        Cmd cmd;
        int start, end, drawn, zoom;
    } scenarios[][4] = {
        {{Cmd::Next, 639, 1000, 361, 1},
         {Cmd::Next, 639, 1000, 361, 1}, // at the end: nothing more, the same picture
         {Cmd::Previous, 0, 639, 639, 1},
         {Cmd::Previous, 0, 639, 639, 1}}, // one step of history only
        {{Cmd::ZoomIn, 0, 319, 319, 2}, {Cmd::ZoomOut, 0, 639, 639, 1}, {Cmd::ZoomOut, 0, 639, 639, 1}},
    };
    for (const auto& steps : scenarios) {
        StrandscopeModel m;
        m.Load(file);
        EXPECT_EQ(m.StartText() + " " + m.EndText(), "0 639");
        EXPECT_EQ(m.Image().PixelAt(4, 4), kViewerRightColor);
        for (const Step& s : steps) {
            if (s.cmd == Cmd::None)
                continue;
            Apply(m, s.cmd);
            EXPECT_EQ(m.StartIndex(), s.start);
            EXPECT_EQ(m.EndIndex(), s.end);
            EXPECT_EQ(m.DrawnCount(), s.drawn);
            EXPECT_EQ(m.Zoom(), s.zoom);
            EXPECT_EQ(m.StartText() + " " + m.EndText(), std::to_string(s.start) + " " + std::to_string(s.end));
        }
    }
}

// Indexes count tokens; only A C G T a c g t are drawn.
TEST(StrandscopeModel, TokensAndLettersCountDifferently)
{
    const struct {
        const char* content;
        const char* typedStart; // nullptr: none
        Cmd cmd;
        const char* letters;
        int start, end;
    } cases[] = {
        {">chr1\nACGT\n", nullptr, Cmd::None, "cACGT", 0, 5}, // the header's c is a letter too
        {">chr1\nACGT\n", "5", Cmd::Redraw, "ACGT", 5, 9},
        {"AANNTT\n", nullptr, Cmd::None, "AATT", 0, 4},
        {"AANNTT\n", nullptr, Cmd::Next, "TT", 4, 6}, // Next starts inside the stretch on show
    };
    ScratchDir dir;
    for (const auto& c : cases) {
        StrandscopeModel m;
        m.Load(WriteFile(dir / "seq.txt", c.content));
        if (c.typedStart != nullptr)
            m.SetStartIndexText(c.typedStart);
        Apply(m, c.cmd);
        EXPECT_EQ(m.KeptLetters(), c.letters);
        EXPECT_EQ(m.StartIndex(), c.start);
        EXPECT_EQ(m.EndIndex(), c.end) << c.content;
    }
}

// A typed start is taken by the next drawing and becomes the previous start on Next;
// the end box is not touched by typing.
TEST(StrandscopeModel, TypedStart)
{
    ScratchDir dir;
    const fs::path file = WriteFile(dir / "t1000.txt", std::string(1000, 'T'));
    const struct {
        Cmd cmd;
        int start, end, previous;
    } cases[] = {
        {Cmd::Redraw, 250, 889, 0},
        {Cmd::Next, 639, 1000, 250},
        {Cmd::Previous, 0, 639, 0},
        {Cmd::ZoomIn, 250, 569, 0},
    };
    for (const auto& c : cases) {
        StrandscopeModel m;
        m.Load(file);
        m.SetStartIndexText("250");
        EXPECT_EQ(m.EndIndex(), 639);
        Apply(m, c.cmd);
        EXPECT_EQ(m.StartIndex(), c.start);
        EXPECT_EQ(m.EndIndex(), c.end);
        EXPECT_EQ(m.PreviousStart(), c.previous);
    }

    const std::pair<std::string, int> texts[] = {
        {"  42", 42}, {"12ab", 12}, {"abc", 0}, {"-7", -7}, {"+9", 9},
        {std::string(28, '0') + "123", 1}, // only 29 characters count
        {"99999999999", 2147483647}, {"-99999999999", -2147483647 - 1},
    };
    for (const auto& [text, value] : texts)
        EXPECT_EQ(StrandscopeModel::StartIndexFromText(text), value) << text;
}

TEST(StrandscopeModel, LoadsKeepOnlyTheirOwnLetters)
{
    ScratchDir dir;
    StrandscopeModel m;
    m.Load(WriteFile(dir / "long.txt", std::string(1000, 'A')));
    m.Load(WriteFile(dir / "short.txt", "GGC"));
    EXPECT_EQ(m.KeptLetters(), "GGC");
    EXPECT_EQ(m.EndIndex(), 3);
    // A file that cannot be read keeps the letters on show and draws them again.
    m.Load(dir / "missing.txt");
    EXPECT_FALSE(m.LastLoadFound());
    EXPECT_EQ(m.KeptLetters(), "GGC");
    EXPECT_EQ(m.EndIndex(), 3);

    // At zoom 370 not one step fits: nothing is drawn and Next stays.
    m.Load(WriteFile(dir / "acgt.txt", "ACGTACGT"));
    m.SetZoom(369);
    EXPECT_TRUE(m.ZoomIn());
    EXPECT_EQ(m.EndIndex(), 0);
    EXPECT_TRUE(IsWhite(m));
    m.Next();
    EXPECT_EQ(m.StartIndex() + m.EndIndex(), 0);
}

TEST(StrandscopeModel, NothingMovesBeforeALoad)
{
    StrandscopeModel m;
    for (const Cmd c : {Cmd::Next, Cmd::Previous, Cmd::Redraw, Cmd::ZoomIn, Cmd::ZoomOut})
        EXPECT_FALSE(Apply(m, c));
    EXPECT_EQ(m.Zoom(), 1);
    m.ApplyColorSettings(2, {1, 2, 3, 4}); // taken, but nothing is drawn
    EXPECT_TRUE(IsWhite(m));
    EXPECT_TRUE(m.StartText().empty() && m.EndText().empty());
    ScratchDir dir;
    EXPECT_TRUE(m.SaveImage(dir / "white.bmp"));
    EXPECT_EQ(fs::file_size(dir / "white.bmp"), 741814u);
    EXPECT_FALSE(m.SaveImage(dir / "no" / "such" / "dir.bmp"));
}

TEST(StrandscopeModel, OrientationRewritesTableAndLegend)
{
    const std::pair<int, std::string> cases[] = {{1, "ACGT"}, {2, "AGTC"}, {3, "ACTG"}, {7, "AGTC"}};
    StrandscopeModel m;
    EXPECT_EQ(std::string(m.Legend().data(), 4), "ACGT");
    for (const auto& [orientation, legend] : cases) {
        if (orientation == 7)
            m.ApplyColorSettings(2, m.Colors()); // another orientation keeps an earlier valid table
        m.ApplyColorSettings(orientation, {0x0000FFFF, 2, 3, 4});
        EXPECT_EQ(std::string(m.Legend().data(), 4), legend) << orientation;
        EXPECT_EQ(m.Orientation(), orientation);
        EXPECT_EQ(m.Colors()[0], Color{0x0000FFFF});
    }
}

TEST(ViewOptions, Arguments)
{
    ViewOptions o;
    ASSERT_FALSE(ParseViewOptions({"--view", "seq.fa", "--start=250", "--zoom", "3", "--orientation", "2", "--colors",
                                   "#FF0000,0x00FF0000,cyan,black", "--save", "out.bmp"},
                                  o));
    EXPECT_EQ(o.file + " " + o.save, "seq.fa out.bmp");
    EXPECT_EQ(o.start * 100 + o.zoom * 10 + o.orientation, 25032);
    EXPECT_EQ(o.colors, (std::array<Color, 4>{0x000000FF, 0x00FF0000, 0x00FFFF00, 0x00000000}));

    const std::pair<const char*, const char*> bad[] = {
        {"--save p.bmp", "--view"},
        {"--view s.fa", "--save"},
        {"--view s.fa --save", "needs a value"},
        {"--view s.fa --save p.bmp --zoom 0", "--zoom"},
        {"--view s.fa --save p.bmp --zoom 2x", "--zoom"},
        {"--view s.fa --save p.bmp --zoom 1000001", "--zoom"},
        {"--view s.fa --save p.bmp --start -1", "--start"},
        {"--view s.fa --save p.bmp --start 99999999999", "--start"},
        {"--view s.fa --save p.bmp --orientation 4", "--orientation"},
        {"--view s.fa --save p.bmp --colors red,blue,cyan", "--colors"},
        {"--view s.fa --save p.bmp --colors red,blue,cyan,green,red", "--colors"},
        {"--view s.fa --save p.bmp --colors red,#12345,cyan,green", "--colors"},
        {"--view s.fa --save p.bmp --colors red,0x1000000,cyan,green", "--colors"},
        {"--view s.fa --save p.bmp --frobnicate", "--frobnicate"},
    };
    for (const auto& [line, mention] : bad) {
        std::istringstream in(line);
        const std::vector<std::string> words{std::istream_iterator<std::string>(in), {}};
        ViewOptions options;
        const auto error = ParseViewOptions(std::vector<std::string_view>(words.begin(), words.end()), options);
        ASSERT_TRUE(error.has_value()) << line;
        EXPECT_NE(error->find(mention), std::string::npos) << *error;
    }
}

TEST(ViewOptions, PictureIsTheViewersAndReportsItsBoxes)
{
    ScratchDir dir;
    const fs::path file = WriteFile(dir / "t.txt", std::string(1000, 'T'));
    const struct {
        std::int32_t start;
        int zoom;
        const char* save;
        bool found, saved;
        const char* boxes;
    } cases[] = {
        {0, 1, "a.bmp", true, true, "0 639"},
        {639, 1, "b.bmp", true, true, "639 1000"},
        {0, 2, "c.bmp", true, true, "0 319"},
        {5000, 1, "d.bmp", false, true, "5000 5000"}, // a fresh viewer has no letters to fall back on
        {0, 1, "missing/e.bmp", true, false, "0 639"},
    };
    for (const auto& c : cases) {
        ViewOptions o;
        o.file = file.string();
        o.save = (dir / c.save).string();
        o.start = c.start;
        o.zoom = c.zoom;
        const ViewResult r = RenderViewPicture(o);
        EXPECT_TRUE(r.readable);
        EXPECT_EQ(r.lettersFound, c.found) << c.save;
        EXPECT_EQ(r.saved, c.saved) << c.save;
        EXPECT_EQ(fs::exists(o.save), c.saved) << c.save;
        EXPECT_EQ(r.startText + " " + r.endText, c.boxes);
    }
    // The same picture as the viewer's own after Load and Next.
    StrandscopeModel viewer;
    viewer.Load(file);
    viewer.Next();
    ASSERT_TRUE(viewer.SaveImage(dir / "viewer.bmp"));
    EXPECT_EQ(ReadFile(dir / "b.bmp"), ReadFile(dir / "viewer.bmp"));

    ViewOptions missing;
    missing.file = (dir / "none.fa").string();
    missing.save = (dir / "f.bmp").string();
    EXPECT_FALSE(RenderViewPicture(missing).readable);
    EXPECT_FALSE(fs::exists(missing.save));
}
