#include "viewer/strandscope_model.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

using lirovane::Color;
using lirovane::StrandscopeModel;

namespace {

namespace fs = std::filesystem;

class StrandscopeModelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() /
                ("strandscope_model_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    fs::path Write(const std::string& name, const std::string& content)
    {
        const fs::path file = m_dir / name;
        std::ofstream(file, std::ios::binary) << content;
        return file;
    }

    fs::path m_dir;
};

enum class Cmd { Next, Previous, Redraw, ZoomIn, ZoomOut };

bool Apply(StrandscopeModel& m, Cmd c)
{
    switch (c) {
    case Cmd::Next: return m.Next();
    case Cmd::Previous: return m.Previous();
    case Cmd::Redraw: return m.Redraw();
    case Cmd::ZoomIn: return m.ZoomIn();
    case Cmd::ZoomOut: return m.ZoomOut();
    }
    return false;
}

struct Step {
    Cmd cmd;
    int start;
    int end;
    int drawn;
    int zoom;
};

bool IsWhite(const StrandscopeModel& m)
{
    for (int y = 0; y < lirovane::kViewerHeight; ++y)
        for (int x = 0; x < lirovane::kViewerWidth; ++x)
            if (m.Image().PixelAt(x, y) != lirovane::kWhite)
                return false;
    return true;
}

} // namespace

TEST_F(StrandscopeModelTest, ThousandTsStepsZoomsAndStopsAtTheEnds)
{
    const fs::path file = Write("t1000.txt", std::string(1000, 'T'));
    const std::vector<std::vector<Step>> scenarios = {
        {{Cmd::Next, 639, 1000, 361, 1},
         {Cmd::Next, 639, 1000, 361, 1}, // at the end: nothing more, same picture
         {Cmd::Previous, 0, 639, 639, 1},
         {Cmd::Previous, 0, 639, 639, 1}}, // one step of history only
        {{Cmd::ZoomIn, 0, 319, 319, 2},
         {Cmd::ZoomOut, 0, 639, 639, 1},
         {Cmd::ZoomOut, 0, 639, 639, 1}}, // zoom 1 is the floor
    };
    for (const auto& steps : scenarios) {
        StrandscopeModel m;
        m.Load(file);
        EXPECT_EQ(m.StartText(), "0");
        EXPECT_EQ(m.EndText(), "639");
        for (const Step& s : steps) {
            Apply(m, s.cmd);
            EXPECT_EQ(m.StartIndex(), s.start);
            EXPECT_EQ(m.EndIndex(), s.end);
            EXPECT_EQ(m.DrawnCount(), s.drawn);
            EXPECT_EQ(m.Zoom(), s.zoom);
            EXPECT_EQ(m.StartText(), std::to_string(s.start));
            EXPECT_EQ(m.EndText(), std::to_string(s.end));
        }
    }
}

TEST_F(StrandscopeModelTest, TokensAndLettersCountDifferently)
{
    struct Case {
        std::string content;
        int typedStart; // -1: none, then Next
        std::string letters;
        int start;
        int end;
    };
    const std::vector<Case> cases = {
        {">chr1\nACGT\n", -2, "cACGT", 0, 5},     // the header's c is a letter too
        {">chr1\nACGT\n", 5, "ACGT", 5, 9},       // start 5 begins at the first A
        {"AANNTT\n", -2, "AATT", 0, 4},
        {"AANNTT\n", -1, "TT", 4, 6},             // Next starts inside the stretch on show
        {"A C\tG\r\nT", -2, "ACGT", 0, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.content);
        StrandscopeModel m;
        m.Load(Write("seq.txt", c.content));
        if (c.typedStart >= 0) {
            m.SetStartIndexText(std::to_string(c.typedStart));
            m.Redraw();
        } else if (c.typedStart == -1) {
            m.Next();
        }
        EXPECT_EQ(m.KeptLetters(), c.letters);
        EXPECT_EQ(m.StartIndex(), c.start);
        EXPECT_EQ(m.EndIndex(), c.end);
    }
}

TEST_F(StrandscopeModelTest, ShortFileAfterLongKeepsOnlyItsOwnLetters)
{
    StrandscopeModel m;
    m.Load(Write("long.txt", std::string(1000, 'A')));
    m.Load(Write("short.txt", "GGC"));
    EXPECT_EQ(m.KeptLetters(), "GGC");
    EXPECT_EQ(m.EndIndex(), 3);

    // A file that cannot be read keeps the letters on show and draws them again.
    m.Load(m_dir / "missing.txt");
    EXPECT_FALSE(m.LastLoadFound());
    EXPECT_EQ(m.KeptLetters(), "GGC");
    EXPECT_EQ(m.EndIndex(), 3);
    EXPECT_TRUE(m.HasSequence());
}

TEST_F(StrandscopeModelTest, TypedStartIsUsedByRedrawAndBecomesPreviousOnNext)
{
    const fs::path file = Write("t1000.txt", std::string(1000, 'T'));
    struct Case {
        Cmd cmd;
        int start;
        int end;
        int previous;
    };
    const std::vector<Case> cases = {
        {Cmd::Redraw, 250, 889, 0},
        {Cmd::Next, 639, 1000, 250},
        {Cmd::Previous, 0, 639, 0},
        {Cmd::ZoomIn, 250, 569, 0},
    };
    for (const Case& c : cases) {
        StrandscopeModel m;
        m.Load(file);
        m.SetStartIndexText("250");
        EXPECT_EQ(m.EndIndex(), 639); // the end box is not touched by typing
        Apply(m, c.cmd);
        EXPECT_EQ(m.StartIndex(), c.start);
        EXPECT_EQ(m.EndIndex(), c.end);
        EXPECT_EQ(m.PreviousStart(), c.previous);
    }
}

TEST_F(StrandscopeModelTest, StartTextReadsLikeAtoi)
{
    const std::vector<std::pair<std::string, int>> cases = {
        {"", 0},           {"250", 250},        {"  42", 42},         {"12ab", 12},
        {"abc", 0},        {"-7", -7},          {"+9", 9},            {std::string(28, '0') + "123", 1}, // only 29 characters count
        {std::string(29, '0') + "123", 0},
        {"99999999999", 2147483647},           {"-99999999999", -2147483647 - 1},
    };
    for (const auto& [text, value] : cases)
        EXPECT_EQ(StrandscopeModel::StartIndexFromText(text), value) << text;
}

TEST_F(StrandscopeModelTest, ZoomOf370DrawsNothingAndNextStays)
{
    StrandscopeModel m;
    m.Load(Write("acgt.txt", "ACGTACGT"));
    m.SetZoom(369);
    m.ZoomIn();
    EXPECT_EQ(m.Zoom(), 370);
    EXPECT_EQ(m.EndIndex(), 0);
    EXPECT_TRUE(IsWhite(m));
    m.Next(); // the load at the end index 0 finds the same letters, which still do not fit
    EXPECT_EQ(m.StartIndex(), 0);
    EXPECT_EQ(m.EndIndex(), 0);
}

TEST_F(StrandscopeModelTest, NothingMovesBeforeALoad)
{
    StrandscopeModel m;
    for (Cmd c : {Cmd::Next, Cmd::Previous, Cmd::Redraw, Cmd::ZoomIn, Cmd::ZoomOut})
        EXPECT_FALSE(Apply(m, c));
    EXPECT_EQ(m.Zoom(), 1);
    EXPECT_EQ(m.StartIndex(), 0);
    EXPECT_TRUE(m.StartText().empty());
    EXPECT_TRUE(m.EndText().empty());
    EXPECT_TRUE(IsWhite(m));

    // Colours apply without a sequence but draw nothing.
    m.ApplyColorSettings(2, {1, 2, 3, 4});
    EXPECT_TRUE(IsWhite(m));
    EXPECT_TRUE(m.EndText().empty());

    const fs::path picture = m_dir / "white.bmp";
    EXPECT_TRUE(m.SaveImage(picture));
    EXPECT_GT(fs::file_size(picture), 650u * 380u * 3u);
    EXPECT_FALSE(m.SaveImage(m_dir / "no" / "such" / "dir.bmp"));
}

TEST_F(StrandscopeModelTest, OrientationRewritesTableAndLegend)
{
    struct Case {
        int orientation;
        std::string legend; // left, up, down, right
    };
    const std::vector<Case> cases = {{1, "ACGT"}, {2, "AGTC"}, {3, "ACTG"}, {7, "ACGT"}, {0, "ACGT"}};
    for (const Case& c : cases) {
        StrandscopeModel m;
        EXPECT_EQ(std::string(m.Legend().data(), 4), "ACGT");
        m.ApplyColorSettings(c.orientation, {0x0000FFFF, 2, 3, 4});
        EXPECT_EQ(std::string(m.Legend().data(), 4), c.legend) << c.orientation;
        EXPECT_EQ(m.Orientation(), c.orientation);
        EXPECT_EQ(m.Colors()[0], Color{0x0000FFFF});
    }
    // After a bad orientation, an earlier valid table stays.
    StrandscopeModel m;
    m.ApplyColorSettings(2, m.Colors());
    m.ApplyColorSettings(9, m.Colors());
    EXPECT_EQ(std::string(m.Legend().data(), 4), "AGTC");
}

TEST_F(StrandscopeModelTest, PixelsOfAKnownStretchAtZoomOneAndThree)
{
    // TTT steps right (green), CC steps up (blue), under orientation 1.
    struct Probe {
        int x;
        int y;
        Color color;
    };
    struct Case {
        int zoom;
        std::vector<Probe> probes;
    };
    const Color green = lirovane::kViewerRightColor;
    const Color blue = lirovane::kViewerUpColor;
    const Color white = lirovane::kWhite;
    const std::vector<Case> cases = {
        // Start (4, 7): right to (7, 7), up to (7, 5).
        {1, {{4, 7, green}, {5, 7, green}, {7, 5, blue}, {7, 6, blue}, {9, 7, white}, {4, 9, white}, {7, 3, white}}},
        // Start (4, 11): right to (13, 11), up to (13, 5).
        {3, {{5, 11, green}, {9, 11, green}, {13, 8, blue}, {13, 6, blue}, {15, 11, white}, {9, 13, white},
             {13, 3, white}, {9, 8, white}}},
    };
    const fs::path file = Write("tc.txt", "TTTCC");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.zoom);
        StrandscopeModel m;
        m.SetZoom(c.zoom);
        m.Load(file);
        EXPECT_EQ(m.EndIndex(), 5);
        for (const Probe& p : c.probes)
            EXPECT_EQ(m.Image().PixelAt(p.x, p.y), p.color) << p.x << "," << p.y;
    }
}
