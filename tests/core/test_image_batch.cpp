#include "batch/image_batch.h"

#include "render/bmp_export.h"
#include "render/canvas.h"
#include "render/path_renderer.h"
#include "render/raster_canvas.h"
#include "settings/app_settings.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>
#include <algorithm>
#include <regex>
#include <set>
#include <sstream>

#include <unistd.h>

namespace fs = std::filesystem;
using namespace lirovane;

namespace {

std::string ReadAll(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteAll(const fs::path& file, std::string_view text)
{
    std::ofstream(file, std::ios::binary) << text;
}

std::string Positions(const std::vector<int>& positions)
{
    std::string text;
    for (const int p : positions)
        text += std::to_string(p) + "\r\n";
    return text;
}

std::string Call(const char* name, std::initializer_list<int> numbers, std::string_view tail = {})
{
    std::string line = name;
    for (const int n : numbers)
        line += " " + std::to_string(n);
    return tail.empty() ? line : line + " " + std::string(tail);
}

// Records the drawing calls the batch may make on the view's surface.
class RecordingCanvas final : public Canvas {
public:
    std::vector<std::string> calls;

    void FillRect(int l, int t, int r, int b, StockBrush brush) override
    {
        calls.push_back(Call("FillRect", {l, t, r, b}, brush == StockBrush::White ? "white" : "black"));
    }
    void TextOut(int x, int y, std::string_view text) override { calls.push_back(Call("TextOut", {x, y}, text)); }
    void Rectangle(int l, int t, int r, int b) override { calls.push_back(Call("Rectangle", {l, t, r, b})); }
    void MoveTo(int, int) override { calls.push_back("MoveTo"); }
    void SelectPen(int, Color) override { calls.push_back("SelectPen"); }
    void ReleasePen() override { calls.push_back("ReleasePen"); }
    void LineTo(int, int) override { calls.push_back("LineTo"); }
    void SelectBrush(Color) override { calls.push_back("SelectBrush"); }
    void ReleaseBrush() override { calls.push_back("ReleaseBrush"); }
    int Width() const override { return 640; }
    int Height() const override { return 480; }
    std::optional<BitmapPixels> ReadBitmap(int, int) const override { return std::nullopt; }
};

class FakeDisplay final : public BatchDisplay {
public:
    RecordingCanvas surface;
    std::vector<std::string> urls;
    int presents = 0;
    Canvas& Surface() override { return surface; }
    void Present() override { ++presents; }
    void Navigate(const std::string& url) override { urls.push_back(url); }
};

class ImageBatchTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string(info->test_suite_name()) + "_" + info->name();
        for (char& c : name)
            if (c == '/')
                c = '_';
        m_dir = fs::temp_directory_path() / ("lirovane_batch_" + std::to_string(::getpid()) + "_" + name);
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
        m_settings.SetFirstRunDefaults();
        m_settings.sequenceFile = (m_dir / "sequence.fa").string();
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::remove_all(m_dir, ec);
    }

    BatchResult Run(std::string_view sequence, const std::vector<int>& starts, const std::vector<int>& ends,
                    int count)
    {
        WriteAll(m_dir / "sequence.fa", sequence);
        WriteAll(m_dir / "starts.txt", Positions(starts));
        WriteAll(m_dir / "ends.txt", Positions(ends));
        m_settings.numberOfRepeatsInThisSet = count;
        return CreateImages(m_settings, m_display, m_dir);
    }

    // The file a stretch gives when drawn and saved on its own.
    std::string Reference(std::string_view stretch)
    {
        const PathExtent extent = MeasurePath(stretch, m_settings.Style());
        RasterCanvas canvas(extent.width, extent.height);
        DrawPath(stretch, extent, m_settings.Style(), canvas);
        const fs::path file = m_dir / "reference.bmp";
        EXPECT_TRUE(SaveImage(file, canvas, extent.width, extent.height));
        std::string bytes = ReadAll(file);
        fs::remove(file);
        return bytes;
    }

    std::set<std::string> Pictures() const
    {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(m_dir))
            if (entry.path().extension() == ".bmp")
                names.insert(entry.path().filename().string());
        return names;
    }

    // Picture numbers in the order of the page's cells.
    std::vector<int> Cells() const
    {
        const std::string page = ReadAll(m_dir / "index.htm");
        static const std::regex cell(R"(<td><center><a href="(\d+)\.bmp"><img width=100 height=100 src=\1\.bmp></a><br>\1</center></td>)");
        std::vector<int> numbers;
        for (auto it = std::sregex_iterator(page.begin(), page.end(), cell); it != std::sregex_iterator(); ++it)
            numbers.push_back(std::stoi((*it)[1]));
        return numbers;
    }

    fs::path m_dir;
    AppSettings m_settings;
    FakeDisplay m_display;
};

// Page and pictures byte for byte against tests/data/batch/<case>/expected, run in the
// working directory as the window does.
class GoldenBatch : public ImageBatchTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(GoldenBatch, WritesExpectedFiles)
{
    const fs::path source = fs::path(LIROVANE_TEST_DATA) / "batch" / GetParam();
    for (const char* input : {"sequence.fa", "starts.txt", "ends.txt"})
        fs::copy_file(source / input, m_dir / input);
    std::istringstream numbers(ReadAll(source / "settings.txt"));
    numbers >> m_settings.sizeOfRepeats >> m_settings.numberOfRepeatsInThisSet >> m_settings.letterOrientation;
    ApplyOrientation(m_settings.letters, m_settings.letterOrientation);
    m_settings.sequenceFile = "sequence.fa";

    const fs::path before = fs::current_path();
    fs::current_path(m_dir);
    const BatchResult result = CreateImages(m_settings, m_display);
    fs::current_path(before);

    std::set<std::string> expected;
    for (const auto& entry : fs::directory_iterator(source / "expected"))
        expected.insert(entry.path().filename().string());
    std::set<std::string> written = Pictures();
    written.insert("index.htm");
    EXPECT_EQ(written, expected);
    for (const std::string& name : expected)
        EXPECT_EQ(ReadAll(m_dir / name), ReadAll(source / "expected" / name)) << name;

    EXPECT_TRUE(result.pageWritten);
    EXPECT_TRUE(result.unwritten.empty());
    ASSERT_EQ(m_display.urls.size(), 1u);
    EXPECT_EQ(m_display.urls[0], "file://" + m_dir.string() + "/index.htm");
}

INSTANTIATE_TEST_SUITE_P(Cases, GoldenBatch, ::testing::Values("acgt", "header", "six", "seven", "empty"));

struct StretchCase {
    const char* name;
    std::string sequence;
    std::vector<int> starts;
    std::vector<int> ends;
    std::vector<std::pair<int, std::string>> pictures; // number and stretch, in page order
};

TEST_F(ImageBatchTest, CutsTheRightStretches)
{
    const std::string longRun(20000, 'A');
    const StretchCase cases[] = {
        {"plain", "ACGTACGTAC", {3}, {7}, {{3, "GTAC"}}},
        {"header counts", ">seq\nACGTACGTAC\n", {3}, {7}, {{3, "eqAC"}}},
        {"start is end", "ACGTACGTAC", {4}, {4}, {{4, ""}}},
        {"whitespace is no position", "AC \tG\r\n\vT\fA  C", {2}, {6}, {{2, "CGTA"}}},
        {"second start restarts", "AAAACCCCGGGG", {2, 6}, {10}, {{6, "CCCG"}}},
        {"end without start", "ACGTACGTAC", {5}, {2, 8, 9}, {{5, "ACG"}}},
        {"start without end", "ACGTACGTAC", {2, 8}, {5}, {{2, "CGT"}}},
        {"end one past the last", "ACGT\n", {2}, {5}, {{2, "CGT"}}},
        {"end beyond one past", "ACGT\n", {2}, {6}, {}},
        {"order of ends", "ACGTACGTACGT", {1, 3}, {9, 2}, {{1, "A"}, {3, "GTACGT"}}},
        {"unsorted lists", "ACGTACGTACGT", {7, 1, 0, -4}, {11, 3, 0}, {{1, "AC"}, {7, "GTAC"}}},
        {"not letters kept", "ANNC-T", {1}, {7}, {{1, "ANNC-T"}}},
        {"long stretch kept whole", longRun + "C", {1}, {20002}, {{1, longRun + "C"}}},
    };
    for (const StretchCase& c : cases) {
        SCOPED_TRACE(c.name);
        for (const auto& entry : fs::directory_iterator(m_dir))
            fs::remove(entry.path());
        const BatchResult result = Run(c.sequence, c.starts, c.ends, static_cast<int>(c.pictures.size()));
        EXPECT_EQ(result.pictures, static_cast<int>(c.pictures.size()));
        std::vector<int> numbers;
        std::set<std::string> names;
        for (const auto& [number, stretch] : c.pictures) {
            numbers.push_back(number);
            names.insert(std::to_string(number) + ".bmp");
            EXPECT_EQ(ReadAll(m_dir / (std::to_string(number) + ".bmp")), Reference(stretch)) << number;
        }
        EXPECT_EQ(Cells(), numbers);
        EXPECT_EQ(Pictures(), names);
    }
}

// Stretches that cross the reader's blocks, in a file of several blocks.
TEST_F(ImageBatchTest, CutsStretchesAcrossBlocks)
{
    std::mt19937 random(7);
    std::string sequence = ">chrTest random\n";
    while (sequence.size() < (std::size_t{5} << 20)) {
        for (int i = 0; i < 60; ++i)
            sequence += "ACGTacgtN"[random() % 9];
        sequence += random() % 50 == 0 ? " \t\r\n" : "\n";
    }
    std::string tokens;
    std::copy_if(sequence.begin(), sequence.end(), std::back_inserter(tokens),
                 [](char c) { return !std::isspace(static_cast<unsigned char>(c)); });
    std::vector<int> starts;
    std::vector<int> ends;
    const int segment = static_cast<int>(tokens.size() / 12);
    for (int i = 0; i < 12; ++i) {
        starts.push_back(i * segment + static_cast<int>(random() % 1000) + 1);
        ends.push_back(starts.back() + static_cast<int>(random() % 3000));
    }
    Run(sequence, starts, ends, 12);
    EXPECT_EQ(Cells(), starts);
    for (std::size_t i = 0; i < starts.size(); ++i)
        EXPECT_EQ(ReadAll(m_dir / (std::to_string(starts[i]) + ".bmp")),
                  Reference(std::string_view(tokens).substr(static_cast<std::size_t>(starts[i] - 1),
                                                            static_cast<std::size_t>(ends[i] - starts[i]))));
}

TEST_F(ImageBatchTest, DrawsWaitDisplayAndProgress)
{
    struct Case {
        const char* name;
        std::vector<int> starts;
        std::vector<int> ends;
        int count;
        std::vector<int> edges;
    };
    const Case cases[] = {
        {"count 3", {1, 3, 5}, {2, 4, 6}, 3, {201, 300, 402}},
        {"count 0 draws it full", {1}, {2}, 0, {402}},
        {"more pictures than the count", {1, 3}, {2, 4}, 1, {402, 702}},
        {"end without start does not move it", {3}, {2, 4, 6}, 1, {402}},
        {"no pictures", {}, {}, 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_display.surface.calls.clear();
        m_display.urls.clear();
        m_display.presents = 0;
        Run("ACGTACGTAC", c.starts, c.ends, c.count);
        std::vector<std::string> expected = {Call("FillRect", {0, 0, 640, 480}, "white"),
                                             Call("TextOut", {100, 100}, "Please wait while creating images..."),
                                             Call("Rectangle", {100, 130, 400, 160})};
        for (const int edge : c.edges)
            expected.push_back(Call("FillRect", {102, 132, edge, 158}, "black"));
        EXPECT_EQ(m_display.surface.calls, expected);
        EXPECT_EQ(m_display.presents, 1 + static_cast<int>(c.edges.size()));
        EXPECT_EQ(m_display.urls.size(), 1u);
    }
}

TEST_F(ImageBatchTest, UnopenableSequenceStillWritesPageAndNavigates)
{
    // The path is escaped in the page so that it cannot add markup.
    m_settings.sequenceFile = (m_dir / "a&b<c>\"d'.fa").string();
    m_settings.sizeOfRepeats = 6;
    WriteAll(m_dir / "starts.txt", "1\r\n");
    WriteAll(m_dir / "ends.txt", "2\r\n");
    m_settings.numberOfRepeatsInThisSet = 1;
    const BatchResult result = CreateImages(m_settings, m_display, m_dir);
    EXPECT_FALSE(result.sequenceOpened);
    EXPECT_EQ(result.pictures, 0);
    EXPECT_TRUE(Pictures().empty());
    EXPECT_EQ(ReadAll(m_dir / "index.htm"), "<html><body><br>Sequence file: " + m_dir.string() +
                                                "/a&amp;b&lt;c&gt;&quot;d'.fa<br>\r\nConsensus size: 6<br>\r\n"
                                                "Number of repeats: 1<br>\r\n<table><tr></table></body></html>");
    EXPECT_EQ(m_display.urls.size(), 1u);
}

TEST(ImageBatchText, HtmlEscapeAndFileUrl)
{
    const std::pair<std::string, std::string> escapes[] = {
        {"/home/u/seq.fa", "/home/u/seq.fa"},
        {"a&b", "a&amp;b"},
        {"<script>\"x\"</script>", "&lt;script&gt;&quot;x&quot;&lt;/script&gt;"},
        {"it's \xC3\xA9", "it's \xC3\xA9"},
    };
    for (const auto& [in, out] : escapes)
        EXPECT_EQ(HtmlEscape(in), out);

    const std::pair<std::string, std::string> urls[] = {
        {"/home/u/gallery/index.htm", "file:///home/u/gallery/index.htm"},
        {"/tmp/my run/index.htm", "file:///tmp/my%20run/index.htm"},
        {"/tmp/#1 100%/index.htm", "file:///tmp/%231%20100%25/index.htm"},
        {"/tmp/caf\xC3\xA9/index.htm", "file:///tmp/caf%C3%A9/index.htm"},
        {"/tmp/a?b\\c\"d/index.htm", "file:///tmp/a%3Fb%5Cc%22d/index.htm"},
        {"/tmp/a-b_c.d~e+f,g;h=i(j)@k/index.htm", "file:///tmp/a-b_c.d~e+f,g;h=i(j)@k/index.htm"},
    };
    for (const auto& [in, out] : urls)
        EXPECT_EQ(FileUrl(in), out);
}

TEST_F(ImageBatchTest, ReportsWhatCannotBeWritten)
{
    // A relative output folder whose name needs escaping in the URL; folders in the way of
    // 3.bmp and of the page.
    const fs::path folder = m_dir / "my gallery #2";
    fs::create_directories(folder / "3.bmp");
    fs::create_directories(folder / "index.htm");
    WriteAll(folder / "starts.txt", "1\r\n3\r\n");
    WriteAll(folder / "ends.txt", "2\r\n5\r\n");
    WriteAll(m_dir / "sequence.fa", "ACGTACGTAC");
    const fs::path before = fs::current_path();
    fs::current_path(m_dir);
    const BatchResult result = CreateImages(m_settings, m_display, "my gallery #2");
    fs::current_path(before);

    EXPECT_EQ(result.pictures, 2);
    EXPECT_EQ(result.unwritten, std::vector<fs::path>{"my gallery #2/3.bmp"});
    EXPECT_TRUE(fs::is_directory(folder / "3.bmp"));
    EXPECT_EQ(ReadAll(folder / "1.bmp"), Reference("A"));
    EXPECT_FALSE(result.pageWritten);
    EXPECT_EQ(result.page, folder / "index.htm");
    EXPECT_EQ(m_display.urls, std::vector<std::string>{"file://" + m_dir.string() + "/my%20gallery%20%232/index.htm"});
}

} // namespace
