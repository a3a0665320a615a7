// The Strandscope viewer without its window, and its command-line picture.
#include "cli/option_reader.h"
#include "cli/view_options.h"
#include "core/render/null_canvas.h"
#include "core/sequence/reverse_complement.h"
#include "core/sequence/sequence_letters.h"
#include "core/viewer/strandscope_model.h"

#include "test_support.h"

namespace {

bool IsWhite(const StrandscopeModel& m)
{
    return m.Image().Data() == RasterCanvas(kViewerWidth, kViewerHeight).Data();
}

// Runs one command: N next, P previous, R redraw, + zoom in, - zoom out, O zoom out
// further, I zoom in closer, F fit record, zK set zoom K, oK orientation K with the same
// colours; anything else is typed into the start box.
void Step(StrandscopeModel& m, const std::string& cmd)
{
    using M = StrandscopeModel;
    static const std::map<std::string, bool (M::*)()> commands{
        {"N", &M::Next},    {"P", &M::Previous},       {"R", &M::Redraw},       {"+", &M::ZoomIn},
        {"-", &M::ZoomOut}, {"O", &M::ZoomOutFurther}, {"I", &M::ZoomInCloser}, {"F", &M::FitRecord}};
    if (const auto it = commands.find(cmd); it != commands.end())
        (m.*it->second)();
    else if (cmd[0] == 'z')
        m.SetZoom(std::stoi(cmd.substr(1)));
    else if (cmd[0] == 'o')
        m.ApplyColorSettings(std::stoi(cmd.substr(1)), m.Colors());
    else
        m.SetStartIndexText(cmd);
}

// Loads `file`, runs the commands of `script` and gives "start-end" after the load and
// after every command.
std::string Play(StrandscopeModel& m, const fs::path& file, const std::string& script)
{
    const auto state = [&] { return std::to_string(m.StartIndex()) + "-" + std::to_string(m.EndIndex()); };
    m.Load(file);
    std::string states = state();
    std::istringstream in(script);
    for (std::string cmd; in >> cmd; states.append(" ").append(state()))
        Step(m, cmd);
    return states;
}

// Sequences, a script, the boxes after the load and each command, and the letters kept at
// the end when given.
const std::string kT1000(1000, 'T'), kT5000(5000, 'T'), kTn2000 = [] {
    std::string tn;
    for (int i = 0; i < 2000; ++i)
        tn += "TN";
    return tn;
}();
const struct {
    std::string content, script, states, letters;
} kScripts[] = {
    // At the end Next draws the same again; Previous has one step of history only.
    {kT1000, "N N P P", "0-639 639-1000 639-1000 0-639 0-639", ""},
    {kT1000, "+ - - +", "0-639 0-319 0-639 0-639 0-319", ""}, // zoom 1 is the floor
    // A typed start is taken by the next drawing and becomes the previous start on Next.
    {kT1000, "250 R", "0-639 250-639 250-889", ""},
    {kT1000, "250 N P", "0-639 250-639 639-1000 250-889", ""},
    {kT1000, "250 P", "0-639 250-639 0-639", ""},
    {">chr1\nACGT\n", "", "0-5", "cACGT"}, // the header's c is a letter too
    {">chr1\nACGT\n", "5 R", "0-5 5-5 5-9", "ACGT"},
    {"AANNTT\n", "N", "0-4 4-6", "TT"},                      // Next starts inside the stretch on show
    {"ACGTACGT", "z369 + N", "0-8 0-8 0-0 0-0", "ACGTACGT"}, // at zoom 370 not one step fits
    // Levels: at k steps per pixel the 640th pixel move, at letter 640k, breaks the
    // frame. 5000 letters fit at 8; closer at 2 returns to zoom 1.
    {kT5000, "O N N P O I I", "0-639 0-1279 1279-2558 2558-3837 1279-2558 1279-3838 1279-2558 1279-1918", ""},
    // Fit record; Next at the end and further out stay; Zoom in returns to zoom 1.
    {kT5000, "F N O - +", "0-639 0-5000 0-5000 0-5000 0-5000 0-639", ""},
    // At a level both indexes count every token: the header and N too.
    {">h\n" + kTn2000, "O N", "0-639 0-2560 2560-4002", ""},
    {">h\n" + kTn2000, "F", "0-639 2-4002", ""},
};

} // namespace

// Indexes count tokens; only A C G T a c g t are drawn.
TEST(StrandscopeModel, Commands)
{
    ScratchDir dir;
    for (const auto& c : kScripts) {
        StrandscopeModel m;
        EXPECT_EQ(Play(m, WriteFile(dir / "seq.txt", c.content), c.script), c.states) << c.script;
        EXPECT_TRUE(c.letters.empty() || m.KeptLetters() == c.letters) << c.script;
        EXPECT_EQ(IsWhite(m), m.EndIndex() == m.StartIndex()) << c.script;
    }

    StrandscopeModel m;
    // New colours at a level draw the window's moves again without reading the file.
    Play(m, WriteFile(dir / "t.txt", kT5000), "O");
    WriteFile(dir / "t.txt", "");
    m.ApplyColorSettings(1, {0, 0, 0, 0x00123456});
    EXPECT_EQ(m.EndText() + " " + LevelName(m.Level()), "1279 1:2");
    EXPECT_EQ(m.Image().PixelAt(4, 4), 0x00123456u);
    m.ZoomIn(); // back to zoom 1
    // A shorter file keeps only its own letters; a file that cannot be read keeps them on show.
    EXPECT_EQ(Play(m, WriteFile(dir / "short.txt", "GGC"), ""), "0-3");
    EXPECT_EQ(Play(m, dir / "missing.txt", ""), "0-3");
    EXPECT_FALSE(m.LastLoadFound());
    EXPECT_EQ(m.KeptLetters(), "GGC");

    // The start box reads as atoi reads, over 29 characters, and saturates.
    const std::pair<std::string, std::int64_t> texts[] = {
        {" +12ab", 12}, {"abc", 0}, {std::string(28, '0') + "123", 1}, {"-99999999999999999999", INT64_MIN}};
    for (const auto& [text, value] : texts) {
        m.SetStartIndexText(text);
        EXPECT_EQ(m.StartIndex(), value) << text;
    }
}

// Letters are read only as far as the fit uses them, yet every drawing ends where and
// looks as a drawing from all 400000 letters does: after zooming out, changing the
// orientation, or drawing again the letters of an earlier load when a load finds none.
TEST(StrandscopeModel, DrawsAsFromAllLettersWhileReadingOnlyWhatFits)
{
    // Stretches that drift (the walk leaves the frame within a few thousand letters) and
    // stretches that wander in place (it stays for tens of thousands).
    std::mt19937 random(7);
    std::string content = ">walk\n";
    for (int stretch = 0; content.size() < 300'000; ++stretch) {
        const char* bases = stretch % 3 == 0 ? "AACGT" : "ACGT";
        for (int i = 0; i < 9000; ++i)
            content += i % 61 == 60 ? '\n' : bases[random() % (stretch % 3 == 0 ? 5 : 4)];
    }
    ScratchDir dir;
    const fs::path file = WriteFile(dir / "walk.fa", content);

    StrandscopeModel m;
    m.Load(file);
    // Every drawing loads at a start (Next at the end on show); one that finds no letters
    // draws those of the last load that found some.
    std::int64_t lastFound = 0;
    const auto check = [&](const std::string& step, std::int64_t loadedAt) {
        if (!ReadSequenceLetters(file, loadedAt).value().empty())
            lastFound = loadedAt;
        const std::string letters = ReadSequenceLetters(file, lastFound).value();
        const ViewerFit fit = FitViewerPath(letters, m.Zoom(), m.Style());
        RasterCanvas image(kViewerWidth, kViewerHeight);
        NullCanvas screen(kViewerWidth, kViewerHeight);
        DrawViewerPath(letters, fit, m.Zoom(), m.Style(), screen, image);
        EXPECT_EQ(m.EndIndex(), m.StartIndex() + fit.count) << step;
        EXPECT_TRUE(m.Image().Data() == image.Data()) << step;
    };
    check("load", 0);
    const std::string script[] = {"N", "N", "+", "+", "N", "-", "-", "P", "2000000", "+", "-", "-", "9100", "z3",
                                  "R", "2000000", "-", "o2", "z1", "9000", "N", "R", "o3", "N", "2000000", "o1", "N"};
    for (const std::string& cmd : script) {
        const std::int64_t end = m.EndIndex();
        Step(m, cmd); // setting the zoom or typing a start draws nothing
        if (std::isdigit(static_cast<unsigned char>(cmd.back())) == 0 || cmd[0] == 'o')
            check(cmd, cmd == "N" ? end : m.StartIndex());
    }
    EXPECT_LT(m.KeptLetters().size(), static_cast<std::size_t>(kViewerMaxLetters));
}

// Colour settings rewrite the table and the legend, before any load too (nothing moves
// before one: the window's commands test).
TEST(StrandscopeModel, ColourSettingsRewriteTheLegend)
{
    StrandscopeModel m;
    EXPECT_EQ(std::string(m.Legend().data(), 4), "ACGT");
    const std::pair<int, std::string> cases[] = {{1, "ACGT"}, {2, "AGTC"}, {3, "ACTG"}, {7, "AGTC"}};
    for (const auto& [orientation, legend] : cases) {
        if (orientation == 7)
            m.ApplyColorSettings(2, m.Colors()); // another orientation keeps an earlier valid table
        m.ApplyColorSettings(orientation, {0x0000FFFF, 2, 3, 4});
        EXPECT_EQ(std::string(m.Legend().data(), 4), legend) << orientation;
        EXPECT_EQ(m.Orientation(), orientation);
        EXPECT_EQ(m.Colors()[0], Color{0x0000FFFF});
    }
}

namespace {

// Parses the white-space separated words of `line`.
std::optional<std::string> Parse(const std::string& line, ViewOptions& options)
{
    const std::vector<std::string> words = Words(line);
    const IoResult<ViewOptions> parsed =
        cli::ParseViewOptions(std::vector<std::string_view>(words.begin(), words.end()));
    options = parsed.value();
    return parsed ? std::nullopt : std::optional(parsed.error().reason);
}

} // namespace

TEST(ViewOptions, Arguments)
{
    ViewOptions o;
    ASSERT_FALSE(Parse("--view seq.fa --start=250 --zoom 3 --orientation 2 --colors #FF0000,0x00FF0000,cyan,black "
                       "--save out.bmp",
                       o));
    EXPECT_EQ(std::tie(o.file, o.save, o.start, o.zoom, o.orientation),
              std::make_tuple("seq.fa", "out.bmp", 250, 3, 2));
    EXPECT_EQ(o.colors, (std::array<Color, 4>{0x000000FF, 0x00FF0000, 0x00FFFF00, 0x00000000}));
    ViewOptions fit, level;
    ASSERT_FALSE(Parse("--view seq.fa --fit --save p.svg", fit) || Parse("--view seq.fa --save p.svg --level=64", level));
    EXPECT_EQ(std::tie(fit.fit, level.fit, level.level), std::make_tuple(true, false, 64));

    // After "--view s.fa --save p.bmp" unless the line starts with "!".
    const std::pair<std::string, const char*> bad[] = {
        {"!--save p.bmp", "--view"}, {"!--view s.fa", "--save"}, {"!--view s.fa --save", "needs a value"},
        {"!--view s.fa --save p.gif", ".bmp, .png or .svg"}, {"!--view s.fa --save p", ".bmp, .png or .svg"},
        {"--zoom 2x", "--zoom"}, {"--zoom 1000001", "'1000001' is out of range"}, {"--start -1", "--start"},
        {"--start 99999999999999999999", "9' is out of range"}, {"--orientation 4", "--orientation"},
        {"--colors red,blue,cyan", "--colors"}, {"--colors red,#12345,cyan,green", "--colors"},
        {"--fit --level 4", "--fit and --level"}, {"--level 2 --zoom 3", "--level and --zoom"},
        {"--level 0", "--level"}, {"--strand minus", "--strand"}, {"--frobnicate", "--frobnicate"}};
    for (const auto& [line, mention] : bad) {
        ViewOptions options;
        const auto error = Parse(line[0] == '!' ? line.substr(1) : "--view s.fa --save p.bmp " + line, options);
        ASSERT_TRUE(error.has_value()) << line;
        EXPECT_NE(error->find(mention), std::string::npos) << *error;
    }
}

TEST(ViewOptions, PictureIsTheViewersAndReportsItsBoxes)
{
    ScratchDir dir;
    WriteFile(dir / "t.txt", std::string(1000, 'T'));
    const struct {
        const char* args;
        bool found;
        const char* shown; // the boxes, or why the picture is not saved
    } cases[] = {
        {"--view t.txt --save a.bmp", true, "0 639"},
        {"--view t.txt --start 639 --save b.bmp", true, "639 1000"},
        {"--view t.txt --start 5000 --save d.bmp", false, "5000 5000"}, // no earlier letters to show
        {"--view t.txt --save missing/e.bmp", true, "missing/e.bmp: cannot create a file in its folder: No such file"},
        {"--view t.txt --fit --save g.bmp", true, "0 1000"},     // at 1:2, the level where it fits
        {"--view t.txt --strand - --save g.bmp", true, "0 637"}, // read as 1000 A: maxX starts at 1
    };
    for (const auto& c : cases) {
        ViewOptions o;
        ASSERT_FALSE(Parse(c.args, o));
        const IoResult<ViewShown> r = InFolder(dir.Path(), [&] { return RenderViewPicture(o); });
        EXPECT_EQ(fs::exists(dir / o.save), r.ok()) << c.args;
        const std::string shown = r ? r->startText + " " + r->endText : r.Message();
        EXPECT_TRUE(shown.starts_with(c.shown)) << shown;
        EXPECT_EQ(r->lettersFound, c.found && r.ok()) << c.args;
    }
    // The same picture as the viewer's own after Load and Next.
    StrandscopeModel viewer;
    viewer.Load(dir / "t.txt");
    viewer.Next();
    ASSERT_TRUE(viewer.SaveImage(dir / "viewer.bmp"));
    EXPECT_EQ(ReadFile(dir / "b.bmp"), ReadFile(dir / "viewer.bmp"));
    // On minus, under an orientation where the reverse complement walks another shape, the
    // picture is the forward one of the reverse complement of the letters it holds.
    std::string mixed;
    for (int i = 0; i < 3000; ++i)
        mixed += "GGAGCATGGC"[(i * 7 + i / 13) % 10];
    WriteFile(dir / "mixed.txt", mixed);
    StrandscopeModel minus;
    minus.ApplyColorSettings(2, kDefaultColors);
    minus.SetMinusStrand(true);
    minus.LoadAt(dir / "mixed.txt", 100);
    std::string drawn = mixed.substr(100, static_cast<std::size_t>(minus.EndIndex() - 100));
    ReverseComplement(drawn);
    viewer.ApplyColorSettings(2, kDefaultColors);
    viewer.Load(WriteFile(dir / "rc.txt", drawn));
    EXPECT_EQ(viewer.EndIndex(), minus.EndIndex() - 100);
    EXPECT_EQ(minus.EndIndex(), 1756); // 950 letters fit on plus
    EXPECT_TRUE(viewer.Image().Data() == minus.Image().Data());
}
