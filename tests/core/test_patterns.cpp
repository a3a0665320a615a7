#include "io/patterns.h"
#include "settings/app_settings.h"

#include "io_test_files.h"

#include <gtest/gtest.h>

#include <ostream>
#include <vector>

namespace lirovane {
namespace {

using testing::ReadFile;
using testing::ScratchDir;
using testing::WriteFile;

struct SplitCase {
    const char* name;
    std::string_view patterns;
    int size;
    const char* starts;
    const char* ends;
    int count;
    bool message;
};

void PrintTo(const SplitCase& c, std::ostream* os)
{
    *os << c.name;
}

const SplitCase kSplitCases[] = {
    {"ThreeLines", "5 9 43\n17 30 12\n40 60 43\n", 43, "5\r\n40\r\n", "9\r\n60\r\n", 2, false},
    {"OneLine", "5 9 43 17 30 12 40 60 43", 43, "5\r\n40\r\n", "9\r\n60\r\n", 2, false},
    {"RecordOverLines", "5 9\n43\r\n17 30\n12 40 60\n43", 43, "5\r\n40\r\n", "9\r\n60\r\n", 2, false},
    {"OtherSize", "5 9 43\n17 30 12\n40 60 43\n", 12, "17\r\n", "30\r\n", 1, false},
    {"Empty", "", 43, "", "", 0, false},
    {"OnlyBlanks", " \r\n\t\v\f ", 43, "", "", 0, false},
    {"FirstSize2001", "5 9 2001\n40 60 43\n", 43, "", "", 0, true},
    {"FirstSizeMinus1", "5 9 -1\n40 60 43\n", 43, "", "", 0, true},
    {"BadSizeKeepsEarlier", "5 9 43\n1 2 3000\n40 60 43\n", 43, "5\r\n", "9\r\n", 1, true},
    {"Size2000Accepted", "5 9 2000\n40 60 43\n", 43, "40\r\n", "60\r\n", 1, false},
    {"SizeZero", "5 9 0\n40 60 43\n", 0, "5\r\n", "9\r\n", 1, false},
    {"TwoNumberLastRecord", "5 9 43\n40 60", 43, "5\r\n", "9\r\n", 1, false},
    {"BadToken", "5 9 43\n40 x 43\n70 80 43\n", 43, "5\r\n", "9\r\n", 1, true},
    {"NumberRunsIntoLetters", "5 9 43\n40 60 43abc 70 80 43\n", 43, "5\r\n40\r\n", "9\r\n60\r\n", 2, true},
    {"LoneSign", "5 9 43 - 60 43", 43, "5\r\n", "9\r\n", 1, true},
    {"SignsAndExtremes", "+5 -9 43\n-2147483648 2147483647 43\n", 43, "5\r\n-2147483648\r\n", "-9\r\n2147483647\r\n", 2,
     false},
    {"StartAbove32Bits", "5 9 43\n2147483648 60 43\n", 43, "5\r\n", "9\r\n", 1, true},
    {"SizeBelow32Bits", "5 9 43\n40 60 -99999999999\n", 43, "5\r\n", "9\r\n", 1, true},
    {"NulByte", std::string_view("5 9 43\n\0 1 43", 13), 43, "5\r\n", "9\r\n", 1, true},
};

class SplitPatternsTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitPatternsTest, WritesTheRecordsOfTheChosenSize)
{
    const SplitCase& c = GetParam();
    ScratchDir dir("split");
    WriteFile(dir / "patterns.txt", c.patterns);
    AppSettings settings;
    settings.patternsFile = (dir / "patterns.txt").string();
    settings.sizeOfRepeats = c.size;
    settings.numberOfRepeatsInThisSet = 77;
    std::vector<std::string> messages;

    const SplitResult result = SplitPatterns(
        settings, [&](std::string_view m) { messages.emplace_back(m); }, dir.Path());

    EXPECT_EQ(ReadFile(dir / "starts.txt"), c.starts);
    EXPECT_EQ(ReadFile(dir / "ends.txt"), c.ends);
    EXPECT_EQ(settings.numberOfRepeatsInThisSet, c.count);
    EXPECT_EQ(result.count, c.count);
    EXPECT_TRUE(result.opened);
    EXPECT_TRUE(result.written);
    EXPECT_EQ(result.valid, !c.message);
    EXPECT_EQ(result.error.empty(), !c.message);
    if (c.message)
        EXPECT_EQ(messages, std::vector<std::string>{std::string(kInvalidPatternsMessage)});
    else
        EXPECT_TRUE(messages.empty());
}

INSTANTIATE_TEST_SUITE_P(Cases, SplitPatternsTest, ::testing::ValuesIn(kSplitCases),
                         [](const auto& test) { return std::string(test.param.name); });

// A patterns file that cannot be read, or a .dat whose sequence file cannot, leaves
// starts.txt, ends.txt and the count as they were.
TEST(SplitPatterns, UnreadableInputChangesNothing)
{
    ScratchDir dir("split-unreadable");
    std::filesystem::create_directory(dir / "folder");
    const std::string dat = std::string(LIROVANE_EXAMPLES) + "/lambda_phage.trf.dat";
    const struct {
        std::string patterns;
        std::string sequence;
    } cases[] = {
        {(dir / "missing.txt").string(), ""},
        {(dir / "folder").string(), ""},
        {dat, (dir / "missing.fa").string()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.patterns);
        WriteFile(dir / "starts.txt", "1\r\n");
        WriteFile(dir / "ends.txt", "2\r\n");
        AppSettings settings;
        settings.patternsFile = c.patterns;
        settings.sequenceFile = c.sequence;
        settings.sizeOfRepeats = 6;
        settings.numberOfRepeatsInThisSet = 7;
        int messages = 0;
        const SplitResult result = SplitPatterns(
            settings,
            [&](std::string_view m) {
                EXPECT_EQ(m, kInvalidPatternsMessage);
                ++messages;
            },
            dir.Path());
        EXPECT_FALSE(result.opened);
        EXPECT_FALSE(result.error.empty());
        EXPECT_EQ(messages, 1);
        EXPECT_EQ(settings.numberOfRepeatsInThisSet, 7);
        EXPECT_EQ(ReadFile(dir / "starts.txt"), "1\r\n");
        EXPECT_EQ(ReadFile(dir / "ends.txt"), "2\r\n");
    }
}

// Output goes to the working folder by default; output that cannot be written is
// lost without a message, and the count still counts.
TEST(SplitPatterns, OutputFolder)
{
    ScratchDir dir("split-out");
    WriteFile(dir / "patterns.txt", "5 9 43\n40 60 43\n");
    AppSettings settings;
    settings.patternsFile = (dir / "patterns.txt").string();
    settings.sizeOfRepeats = 43;
    const auto before = std::filesystem::current_path();
    std::filesystem::current_path(dir.Path());
    EXPECT_TRUE(SplitPatterns(settings, {}).written);
    std::filesystem::current_path(before);
    EXPECT_EQ(ReadFile(dir / "starts.txt"), "5\r\n40\r\n");

    int messages = 0;
    settings.numberOfRepeatsInThisSet = 0;
    EXPECT_FALSE(SplitPatterns(
                     settings, [&](std::string_view) { ++messages; }, dir / "no" / "such")
                     .written);
    EXPECT_EQ(settings.numberOfRepeatsInThisSet, 2);
    EXPECT_EQ(messages, 0);
}

// A Tandem Repeats Finder .dat file is split like the shifted triples it stands for.
TEST(SplitPatterns, TakesTrfOutputInThisProgramsPositions)
{
    ScratchDir dir("split-trf");
    const std::string examples = LIROVANE_EXAMPLES;
    AppSettings settings;
    settings.patternsFile = examples + "/lambda_phage.trf.dat";
    settings.sequenceFile = examples + "/lambda_phage.fa";
    settings.sizeOfRepeats = 6;
    const SplitResult trf = SplitPatterns(settings, {}, dir.Path());
    const std::string starts = ReadFile(dir / "starts.txt");
    const std::string ends = ReadFile(dir / "ends.txt");

    settings.patternsFile = examples + "/lambda_phage.pat";
    const SplitResult plain = SplitPatterns(settings, {}, dir.Path());
    EXPECT_TRUE(trf.trf);
    EXPECT_FALSE(plain.trf);
    EXPECT_EQ(trf.count, 24);
    EXPECT_EQ(plain.count, 24);
    EXPECT_EQ(starts, ReadFile(dir / "starts.txt"));
    EXPECT_EQ(ends, ReadFile(dir / "ends.txt"));
    EXPECT_EQ(starts.substr(0, 6), "1165\r\n");
}

} // namespace
} // namespace lirovane
