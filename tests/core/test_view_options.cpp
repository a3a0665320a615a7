#include "viewer/view_options.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

using lirovane::Color;
using lirovane::ViewOptions;

namespace {

namespace fs = std::filesystem;

std::optional<std::string> Parse(const std::vector<std::string_view>& args, ViewOptions& options)
{
    return lirovane::ParseViewOptions(args, options);
}

} // namespace

TEST(ViewOptions, GoodArgumentsAreRead)
{
    ViewOptions o;
    ASSERT_FALSE(Parse({"--view", "seq.fa", "--start=250", "--zoom", "3", "--orientation", "2", "--colors",
                        "#FF0000,0x00FF0000,cyan,black", "--save", "out.bmp"},
                       o));
    EXPECT_EQ(o.file, "seq.fa");
    EXPECT_EQ(o.save, "out.bmp");
    EXPECT_EQ(o.start, 250);
    EXPECT_EQ(o.zoom, 3);
    EXPECT_EQ(o.orientation, 2);
    EXPECT_EQ(o.colors, (std::array<Color, 4>{0x000000FF, 0x00FF0000, 0x00FFFF00, 0x00000000}));

    ViewOptions defaults;
    ASSERT_FALSE(Parse({"--save", "p.bmp", "--view", "s.fa"}, defaults));
    EXPECT_EQ(defaults.start, 0);
    EXPECT_EQ(defaults.zoom, 1);
    EXPECT_EQ(defaults.orientation, 1);
    EXPECT_EQ(defaults.colors, (std::array<Color, 4>{0x000000FF, 0x00FF0000, 0x00FFFF00, 0x0000FF00}));
}

TEST(ViewOptions, BadArgumentsAreNamed)
{
    const std::vector<std::pair<std::vector<std::string_view>, std::string>> cases = {
        {{"--save", "p.bmp"}, "--view"},
        {{"--view", "s.fa"}, "--save"},
        {{"--view", "s.fa", "--save"}, "needs a value"},
        {{"--view", "s.fa", "--save", "p.bmp", "--zoom", "0"}, "--zoom"},
        {{"--view", "s.fa", "--save", "p.bmp", "--zoom", "2x"}, "--zoom"},
        {{"--view", "s.fa", "--save", "p.bmp", "--zoom", "1000001"}, "--zoom"},
        {{"--view", "s.fa", "--save", "p.bmp", "--start", "-1"}, "--start"},
        {{"--view", "s.fa", "--save", "p.bmp", "--start", "99999999999"}, "--start"},
        {{"--view", "s.fa", "--save", "p.bmp", "--orientation", "4"}, "--orientation"},
        {{"--view", "s.fa", "--save", "p.bmp", "--colors", "red,blue,cyan"}, "--colors"},
        {{"--view", "s.fa", "--save", "p.bmp", "--colors", "red,blue,cyan,green,red"}, "--colors"},
        {{"--view", "s.fa", "--save", "p.bmp", "--colors", "red,#12345,cyan,green"}, "--colors"},
        {{"--view", "s.fa", "--save", "p.bmp", "--colors", "red,0x1000000,cyan,green"}, "--colors"},
        {{"--view", "s.fa", "--save", "p.bmp", "--frobnicate"}, "--frobnicate"},
    };
    for (const auto& [args, mention] : cases) {
        ViewOptions o;
        const auto error = Parse(args, o);
        ASSERT_TRUE(error.has_value()) << mention;
        EXPECT_NE(error->find(mention), std::string::npos) << *error;
    }
}

TEST(ViewOptions, PictureIsTheViewersAndReportsItsBoxes)
{
    const fs::path dir = fs::temp_directory_path() / "lirovane_view_options_test";
    fs::create_directories(dir);
    {
        std::ofstream(dir / "t.txt") << std::string(1000, 'T');
    }
    struct Case {
        int start;
        int zoom;
        std::string save;
        bool found;
        bool saved;
        std::string startText;
        std::string endText;
    };
    const std::vector<Case> cases = {
        {0, 1, "a.bmp", true, true, "0", "639"},
        {639, 1, "b.bmp", true, true, "639", "1000"},
        {0, 2, "c.bmp", true, true, "0", "319"},
        {5000, 1, "d.bmp", false, true, "5000", "5000"}, // a fresh viewer has no letters to fall back on
        {0, 1, "missing/dir/e.bmp", true, false, "0", "639"},
    };
    for (const Case& c : cases) {
        ViewOptions o;
        o.file = (dir / "t.txt").string();
        o.save = (dir / c.save).string();
        o.start = c.start;
        o.zoom = c.zoom;
        const lirovane::ViewResult r = lirovane::RenderViewPicture(o);
        EXPECT_TRUE(r.readable);
        EXPECT_EQ(r.lettersFound, c.found) << c.save;
        EXPECT_EQ(r.saved, c.saved) << c.save;
        EXPECT_EQ(r.startText, c.startText);
        EXPECT_EQ(r.endText, c.endText);
        EXPECT_EQ(fs::exists(o.save), c.saved);
    }

    // The same picture as the viewer's own after Load and Next.
    lirovane::StrandscopeModel viewer;
    viewer.Load(dir / "t.txt");
    viewer.Next();
    ASSERT_TRUE(viewer.SaveImage(dir / "viewer.bmp"));
    std::ifstream a(dir / "b.bmp", std::ios::binary), b(dir / "viewer.bmp", std::ios::binary);
    EXPECT_TRUE(std::equal(std::istreambuf_iterator<char>(a), {}, std::istreambuf_iterator<char>(b), {}));

    ViewOptions missing;
    missing.file = (dir / "none.fa").string();
    missing.save = (dir / "f.bmp").string();
    EXPECT_FALSE(lirovane::RenderViewPicture(missing).readable);
    EXPECT_FALSE(fs::exists(missing.save));
    missing.file = dir.string(); // a folder is no sequence file either
    EXPECT_FALSE(lirovane::RenderViewPicture(missing).readable);
    fs::remove_all(dir);
}
