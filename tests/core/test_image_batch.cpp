#include "core/batch/image_batch.h"

#include "core/render/null_canvas.h"
#include "core/settings/app_settings.h"

#include "test_support.h"

namespace {

std::string Call(const char* name, std::initializer_list<int> numbers, std::string_view tail = {})
{
    std::string line = name;
    for (const int n : numbers)
        line += " " + std::to_string(n);
    return tail.empty() ? line : line + " " + std::string(tail);
}

// Records what the batch draws on the view's surface.
class RecordingCanvas final : public NullCanvas {
public:
    RecordingCanvas() : NullCanvas(640, 480) {}
    void FillRect(int l, int t, int r, int b, StockBrush brush) override
    {
        calls.push_back(Call("FillRect", {l, t, r, b}, brush == StockBrush::White ? "white" : "black"));
    }
    void TextOut(int x, int y, std::string_view text) override { calls.push_back(Call("TextOut", {x, y}, text)); }
    void Rectangle(int l, int t, int r, int b) override { calls.push_back(Call("Rectangle", {l, t, r, b})); }
    void LineTo(int x, int y) override { calls.push_back(Call("LineTo", {x, y})); }

    std::vector<std::string> calls;
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

class ImageBatch : public ::testing::Test {
protected:
    ImageBatch()
    {
        m_settings.SetFirstRunDefaults();
        m_settings.sequenceFile = (m_dir / "sequence.fa").string();
    }

    // Positions are read as any white-space separated list.
    BatchResult Run(std::string_view sequence, std::string_view starts, std::string_view ends, int count)
    {
        for (const auto& entry : fs::directory_iterator(m_dir.Path()))
            fs::remove_all(entry.path());
        WriteFile(m_dir / "sequence.fa", sequence);
        WriteFile(m_dir / "starts.txt", starts);
        WriteFile(m_dir / "ends.txt", ends);
        m_settings.numberOfRepeatsInThisSet = count;
        m_display = FakeDisplay();
        return CreateImages(m_settings, m_display, m_dir.Path());
    }

    // Picture numbers in the order of the page's cells.
    std::vector<int> Cells() const
    {
        const std::string page = ReadFile(m_dir / "index.htm");
        static const std::regex cell(
            R"(<td><center><a href="(\d+)\.bmp"><img width=100 height=100 src=\1\.bmp></a><br>\1</center></td>)");
        std::vector<int> numbers;
        for (auto it = std::sregex_iterator(page.begin(), page.end(), cell); it != std::sregex_iterator(); ++it)
            numbers.push_back(std::stoi((*it)[1]));
        return numbers;
    }

    ScratchDir m_dir;
    AppSettings m_settings;
    FakeDisplay m_display;
};

} // namespace

// Page and pictures byte for byte against tests/data/batch/<case>/expected, made in the
// working folder as the window makes them: "header" counts the header line's tokens,
// "six" and "seven" break the row after six cells.
TEST_F(ImageBatch, GoldenPagesAndPictures)
{
    for (const char* name : {"header", "six", "seven"}) {
        SCOPED_TRACE(name);
        const fs::path source = fs::path(LIROVANE_TEST_DATA) / "batch" / name;
        ScratchDir dir;
        for (const char* input : {"sequence.fa", "starts.txt", "ends.txt"})
            fs::copy_file(source / input, dir / input);
        std::istringstream numbers(ReadFile(source / "settings.txt"));
        numbers >> m_settings.sizeOfRepeats >> m_settings.numberOfRepeatsInThisSet >> m_settings.letterOrientation;
        m_settings.letters = LetterTable::ForOrientation(m_settings.letterOrientation);
        m_settings.sequenceFile = "sequence.fa";
        FakeDisplay display;
        const BatchResult result = InFolder(dir.Path(), [&] { return CreateImages(m_settings, display); });

        auto written = Files(dir.Path());
        for (const char* input : {"sequence.fa", "starts.txt", "ends.txt"})
            written.erase(input);
        EXPECT_TRUE(written == Files(source / "expected")); // names and bytes
        EXPECT_EQ(result.Error(RunItem::Page), nullptr);
        EXPECT_EQ(display.urls, std::vector<std::string>{"file://" + dir.Path().string() + "/index.htm"});
    }
}

TEST_F(ImageBatch, CutsTheRightStretches)
{
    const std::string mib((1 << 20) - 2, 'A'); // the reader's blocks are 1 MiB
    const struct {
        const char* name;
        std::string sequence;
        const char *starts, *ends;
        std::vector<std::pair<int, std::string>> pictures; // number and stretch, in page order
    } cases[] = {
        {"start is end", "ACGTACGTAC", "4", "4", {{4, ""}}},
        {"blanks are no positions", "AC \tG\r\n\vT\fA  C", "2", "6", {{2, "CGTA"}}},
        {"second start restarts", "AAAACCCCGGGG", "2 6", "10", {{6, "CCCG"}}},
        {"end without start", "ACGTACGTAC", "5", "2 8 9", {{5, "ACG"}}},
        {"end one past the last", "ACGT\n", "2", "5", {{2, "CGT"}}},
        {"end beyond one past", "ACGT\n", "2", "6", {}},
        {"unsorted lists, blank runs", "ACGTACGTACGT", "7\n1 0\r\n\t-4", "11 3 0", {{1, "AC"}, {7, "GTAC"}}},
        {"other letters kept", "ANNC-T", "1", "7", {{1, "ANNC-T"}}},
        {"across blocks", mib + "CCGGTT\r\n" + std::string(1 << 20, 'C') + "GT", "1048573 2097156", "1048579 2097159",
         {{1048573, "AACCGG"}, {2097156, "CGT"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const BatchResult result = Run(c.sequence, c.starts, c.ends, static_cast<int>(c.pictures.size()));
        EXPECT_EQ(result.pictures, static_cast<int>(c.pictures.size()));
        std::vector<int> numbers;
        for (const auto& [number, stretch] : c.pictures) {
            numbers.push_back(number);
            EXPECT_EQ(ReadFile(m_dir / (std::to_string(number) + ".bmp")), ForwardPicture(stretch)) << number;
        }
        EXPECT_EQ(Cells(), numbers);
        EXPECT_EQ(Files(m_dir.Path()).size(), numbers.size() + 4); // and the page and the inputs
    }
}

TEST_F(ImageBatch, WaitDisplayAndProgressBar)
{
    const struct {
        const char *starts, *ends;
        int count;
        std::vector<int> edges;
    } cases[] = {{"1 3 5", "2 4 6", 3, {201, 300, 402}},
                 {"1", "2", 0, {402}},          // a count of 0 draws it full
                 {"1 3", "2 4", 1, {402, 702}}, // more pictures than the count
                 {"3", "2 4 6", 1, {402}}};     // an end without a start does not move it
    for (const auto& c : cases) {
        Run("ACGTACGTAC", c.starts, c.ends, c.count);
        std::vector<std::string> expected = {Call("FillRect", {0, 0, 640, 480}, "white"),
                                             Call("TextOut", {100, 100}, "Please wait while creating images..."),
                                             Call("Rectangle", {100, 130, 400, 160})};
        for (const int edge : c.edges)
            expected.push_back(Call("FillRect", {102, 132, edge, 158}, "black"));
        EXPECT_EQ(m_display.surface.calls, expected);
        EXPECT_EQ(m_display.presents, 1 + static_cast<int>(c.edges.size()));
    }
}

// Without its sequence the page is still written and shown, its path escaped so that
// it cannot add markup.
TEST_F(ImageBatch, UnopenableSequenceAndUnwritableFiles)
{
    m_settings.sequenceFile = (m_dir / "a&b<c>\"d'.fa").string();
    m_settings.sizeOfRepeats = 6;
    WriteFile(m_dir / "starts.txt", "1\r\n");
    WriteFile(m_dir / "ends.txt", "2\r\n");
    m_settings.numberOfRepeatsInThisSet = 1;
    const BatchResult result = CreateImages(m_settings, m_display, m_dir.Path());
    EXPECT_NE(result.Error(RunItem::Sequence), nullptr);
    EXPECT_EQ(result.pictures, 0);
    EXPECT_EQ(Files(m_dir.Path()).size(), 3u); // the page beside the two lists
    EXPECT_EQ(ReadFile(m_dir / "index.htm"), "<html><body><br>Sequence file: " + m_dir.Path().string() +
                                                 "/a&amp;b&lt;c&gt;&quot;d'.fa<br>\r\nConsensus size: 6<br>\r\n"
                                                 "Number of repeats: 1<br>\r\n<table><tr></table></body></html>");
    EXPECT_EQ(m_display.urls.size(), 1u);

    // Folders in the way of 3.bmp and of the page; a relative output folder whose name
    // needs escaping in the URL, UTF-8 byte by byte.
    m_display = FakeDisplay();
    m_settings.sequenceFile = (m_dir / "sequence.fa").string();
    const fs::path folder = m_dir / "caf\xC3\xA9 #2?100%";
    fs::create_directories(folder / "3.bmp");
    fs::create_directories(folder / "index.htm");
    WriteFile(folder / "starts.txt", "1\r\n3\r\n");
    WriteFile(folder / "ends.txt", "2\r\n5\r\n");
    WriteFile(m_dir / "sequence.fa", "ACGTACGTAC");
    const BatchResult written =
        InFolder(m_dir.Path(), [&] { return CreateImages(m_settings, m_display, "caf\xC3\xA9 #2?100%"); });
    EXPECT_EQ(written.pictures, 2);
    ASSERT_EQ(written.Count(RunItem::Picture), 1);
    EXPECT_EQ(written.Error(RunItem::Picture)->file, "caf\xC3\xA9 #2?100%/3.bmp");
    EXPECT_EQ(ReadFile(folder / "1.bmp"), ForwardPicture("A"));
    EXPECT_NE(written.Error(RunItem::Page), nullptr);
    EXPECT_EQ(written.page, folder / "index.htm");
    EXPECT_EQ(m_display.urls,
              std::vector<std::string>{"file://" + m_dir.Path().string() + "/caf%C3%A9%20%232%3F100%25/index.htm"});
}
