#include "io/patterns.h"

#include "io_test_files.h"

#include <gtest/gtest.h>

#include <cctype>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

namespace lirovane {
namespace {

using testing::ReadFile;
using testing::ScratchDir;
using testing::WriteFile;

const std::string kExamples = LIROVANE_EXAMPLES;
const std::string kData = std::string(LIROVANE_TEST_DATA) + "/io";

// Field 15 of every repeat line: the repeat's own bases.
std::vector<std::string> RepeatTexts(const std::string& datFile)
{
    std::vector<std::string> texts;
    std::istringstream lines(ReadFile(datFile));
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::vector<std::string> f;
        for (std::string field; fields >> field;)
            f.push_back(field);
        if (f.size() == 15 && std::isdigit(static_cast<unsigned char>(f[0][0])))
            texts.push_back(f[14]);
    }
    return texts;
}

std::string Upper(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

struct SampleCase {
    const char* name;
    std::string dat;
    std::string fasta;
    std::size_t repeats;
    PatternRecord first;
    PatternRecord last;
};

void PrintTo(const SampleCase& c, std::ostream* os)
{
    *os << c.name;
}

// Lambda: one record after a header of 68 non-blank characters. The two-record file:
// a soft-masked piece of human chr17 on one line, then an all lower-case piece of
// P. falciparum MAL14 whose header ">MAL14 " ends in a blank, each cut from the
// samples with the trf repeats that lie inside the piece.
const SampleCase kSampleCases[] = {
    {"Lambda",
     kExamples + "/lambda_phage.trf.dat",
     kExamples + "/lambda_phage.fa",
     68,
     {1165, 1176, 6},
     {48332, 48361, 15}},
    {"TwoRecords",
     kData + "/two_records.trf.dat",
     kData + "/two_records.fa",
     9,
     {147 + 6, 256 + 6, 55},
     {3433 + 4412, 3483 + 4412, 17}},
};

class TrfSampleTest : public ::testing::TestWithParam<SampleCase> {};

TEST_P(TrfSampleTest, ConvertedPositionsDrawTheRepeatsBases)
{
    const SampleCase& c = GetParam();
    EXPECT_TRUE(IsTrfDatFile(c.dat));
    std::string error;
    const auto repeats = ReadTrfRepeats(c.dat, c.fasta, &error);
    ASSERT_TRUE(repeats) << error;
    ASSERT_EQ(repeats->size(), c.repeats);
    EXPECT_EQ(repeats->front(), c.first);
    EXPECT_EQ(repeats->back(), c.last);

    std::string tokens;
    for (const char ch : ReadFile(c.fasta))
        if (!std::isspace(static_cast<unsigned char>(ch)))
            tokens.push_back(ch);
    const std::vector<std::string> texts = RepeatTexts(c.dat);
    ASSERT_EQ(texts.size(), repeats->size());
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const PatternRecord& r = (*repeats)[i];
        const std::string drawn =
            tokens.substr(static_cast<std::size_t>(r.start - 1), static_cast<std::size_t>(r.end - r.start + 1));
        EXPECT_EQ(Upper(drawn), Upper(texts[i])) << "repeat " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Samples, TrfSampleTest, ::testing::ValuesIn(kSampleCases),
                         [](const auto& test) { return std::string(test.param.name); });

TEST(Trf, WritesTheBundledPatternsFileByteForByte)
{
    const auto repeats = ReadTrfRepeats(kExamples + "/lambda_phage.trf.dat", kExamples + "/lambda_phage.fa");
    ASSERT_TRUE(repeats);
    ScratchDir dir("trf-write");
    ASSERT_TRUE(WritePatternsFile(dir / "lambda.pat", *repeats));
    EXPECT_EQ(ReadFile(dir / "lambda.pat"), ReadFile(kExamples + "/lambda_phage.pat"));
    EXPECT_FALSE(WritePatternsFile(dir / "no" / "such.pat", *repeats));
}

TEST(Trf, RecognisesOnlyTrfOutput)
{
    ScratchDir dir("trf-detect");
    WriteFile(dir / "blank-first.dat", "\r\n\nTandem Repeats Finder Program written by:\n");
    WriteFile(dir / "other.dat", "Tandem Repeats\n");
    EXPECT_TRUE(IsTrfDatFile(dir / "blank-first.dat"));
    EXPECT_FALSE(IsTrfDatFile(dir / "other.dat"));
    EXPECT_FALSE(IsTrfDatFile(kExamples + "/lambda_phage.pat"));
    EXPECT_FALSE(IsTrfDatFile(kExamples + "/lambda_phage.fa"));
    EXPECT_FALSE(IsTrfDatFile(dir / "missing.dat"));
    EXPECT_FALSE(IsTrfDatFile(dir.Path()));
}

TEST(Trf, MismatchesAreReportedNotGuessed)
{
    ScratchDir dir("trf-errors");
    const std::string credit = "Tandem Repeats Finder Program written by:\n\nGary Benson\n\n";
    const std::string lambdaDat = kExamples + "/lambda_phage.trf.dat";
    const std::string lambdaFa = kExamples + "/lambda_phage.fa";
    WriteFile(dir / "short.fa", ReadFile(lambdaFa).substr(0, 1000));
    WriteFile(dir / "bad-line.dat", credit + "Sequence: chr17\n\nParameters: 2 7 7 80 10 50 500\n12 abc\n");
    WriteFile(dir / "no-sequence.dat", credit + "1 10 2 5.0 2 100 0 20 50 0 0 50 1.00 AC ACACACACAC\n");
    WriteFile(dir / "reversed.dat", credit + "Sequence: chr17\n\n1 10 2 5.0 2 100 0 20 50 0 0 50 1.00 AC ACACACACAC\n"
                                             "Sequence: nowhere\n");
    const struct {
        const char* name;
        std::string dat;
        std::string fasta;
        const char* mentions;
    } cases[] = {
        {"MissingDat", (dir / "missing.dat").string(), lambdaFa, "missing.dat"},
        {"MissingFasta", lambdaDat, (dir / "missing.fa").string(), "missing.fa"},
        {"OtherGenome", lambdaDat, kData + "/two_records.fa", "Enterobacteria phage lambda"},
        {"RepeatBeyondRecord", lambdaDat, (dir / "short.fa").string(), "bases"},
        {"NotARepeatLine", (dir / "bad-line.dat").string(), kData + "/two_records.fa", "line 8"},
        {"NoSequenceLine", (dir / "no-sequence.dat").string(), lambdaFa, "Sequence:"},
        {"RecordNotInFasta", (dir / "reversed.dat").string(), kData + "/two_records.fa", "nowhere"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string error;
        EXPECT_FALSE(ReadTrfRepeats(c.dat, c.fasta, &error));
        EXPECT_NE(error.find(c.mentions), std::string::npos) << error;
    }
}

} // namespace
} // namespace lirovane
