// Patterns split (plain and Tandem Repeats Finder .dat), position lists and the
// viewer's letter reader.
#include "core/files/output_file.h"
#include "core/intervals/patterns.h"
#include "core/intervals/position_list.h"
#include "core/intervals/trf_dat.h"
#include "core/render/path_renderer.h"
#include "core/sequence/sequence_letters.h"

#include "test_support.h"

#include <cctype>

namespace {

const std::string kTwoRecords = std::string(LIROVANE_TEST_DATA) + "/io/two_records";

// Patterns files (nullptr: no such file; "": a folder), the size chosen, what the split
// (as the window splits) writes and counts, and whether it rejects the file.
const struct {
    const char *name, *patterns;
    int size;
    const char *starts, *ends;
    int count;
    bool rejected;
} kSplits[] = {
    {"three lines", "5 9 43\n17 30 12\n40 60 43\n", 43, "5\r\n40\r\n", "9\r\n60\r\n", 2, false},
    {"records over lines", "5 9\n43\r\n17 30\n12 40 60\n43", 43, "5\r\n40\r\n", "9\r\n60\r\n", 2, false},
    {"other size", "5 9 43\n17 30 12\n40 60 43\n", 12, "17\r\n", "30\r\n", 1, false},
    {"empty", " \r\n\t", 43, "", "", 0, false},
    {"size 0", "5 9 0\n40 60 43\n", 0, "5\r\n", "9\r\n", 1, false},
    {"size 2000", "5 9 2000\n40 60 43\n", 43, "40\r\n", "60\r\n", 1, false},
    {"incomplete last record", "5 9 43\n40 60", 43, "5\r\n", "9\r\n", 1, false},
    {"signs", "+5 -9 43\n40 60 43\n", 43, "5\r\n40\r\n", "-9\r\n60\r\n", 2, false},
    {"size 2001 first", "5 9 2001\n40 60 43\n", 43, "", "", 0, true},
    {"size -1 first", "5 9 -1\n40 60 43\n", 43, "", "", 0, true},
    {"bad size keeps earlier", "5 9 43\n1 2 3000\n40 60 43\n", 43, "5\r\n", "9\r\n", 1, true},
    {"bad token", "5 9 43\n40 x 43\n70 80 43\n", 43, "5\r\n", "9\r\n", 1, true},
    {"number runs into letters", "5 9 43\n40 60 43abc 70 80 43\n", 43, "5\r\n40\r\n", "9\r\n60\r\n", 2, true},
    {"positions past 2^31 and 2^32", "5 9 43\n2147483648 4294967400 43\n", 43, "5\r\n2147483648\r\n",
     "9\r\n4294967400\r\n", 2, false},
    {"start above 64 bits", "5 9 43\n9223372036854775808 60 43\n", 43, "5\r\n", "9\r\n", 1, true},
    // Patterns that cannot be read change nothing.
    {"no such file", nullptr, 43, "1\r\n", "2\r\n", 77, true},
    {"a folder", "", 43, "1\r\n", "2\r\n", 77, true},
    // A .dat file that cannot be converted selects nothing.
    {"trf output without its sequence", "Tandem Repeats Finder Program", 43, "", "", 0, true},
};

} // namespace

TEST(SplitPatterns, WritesTheRecordsOfTheChosenSize)
{
    for (const auto& c : kSplits) {
        SCOPED_TRACE(c.name);
        ScratchDir dir;
        WriteFile(dir / "starts.txt", "1\r\n");
        WriteFile(dir / "ends.txt", "2\r\n");
        const fs::path patterns = c.patterns == nullptr ? dir / "missing.txt"
                                  : *c.patterns == 0    ? dir.Path()
                                                        : WriteFile(dir / "patterns.txt", c.patterns);
        std::vector<SizeSelection> sizes{{c.size, dir.Path(), 77}};
        const IoStatus result = SplitPatterns(patterns, "", sizes, BadRecord::KeepRecordsBefore);
        EXPECT_EQ(ReadFile(dir / "starts.txt") + "|" + ReadFile(dir / "ends.txt"),
                  std::string(c.starts) + "|" + c.ends);
        EXPECT_EQ(sizes.front().count, c.count);
        const bool opened = c.count != 77;
        EXPECT_EQ(result.ok(), !c.rejected);
        EXPECT_EQ(PatternsRejected(result, sizes), c.rejected);
        if (c.rejected) {
            // A reason, and a bad record's line.
            EXPECT_FALSE(result.error().reason.empty());
            if (opened && !std::string_view(c.name).starts_with("trf")) {
                EXPECT_GT(result.error().line, 0U);
            }
        }
        // A number that does not fit names its line.
        if (std::string_view(c.name) == "start above 64 bits") {
            EXPECT_EQ(result.Message(),
                      patterns.string() + ": line 2: not a whole number within the signed 64-bit range");
        }
    }
}

// An unwritable folder is the writer's failure, with the OS's reason, not the patterns';
// the count still counts.
TEST(SplitPatterns, UnwritableFolder)
{
    ScratchDir dir;
    std::vector<SizeSelection> sizes{{43, dir / "no" / "such", 0}};
    const IoStatus unwritten =
        SplitPatterns(WriteFile(dir / "patterns.txt", "5 9 43\n40 60 43\n"), "", sizes, BadRecord::KeepRecordsBefore);
    EXPECT_FALSE(PatternsRejected(unwritten, sizes));
    EXPECT_EQ(unwritten.error().file.parent_path(), dir / "no" / "such");
    EXPECT_TRUE(unwritten.error().reason.ends_with("No such file or directory")) << unwritten.Message();
    EXPECT_EQ(sizes.front().count, 2);
}

// Converted positions cut out exactly the bases trf printed for each repeat. Lambda:
// one record after a 68-token header. The two-record file: a soft-masked piece of
// human chr17 on one line, then a lower-case piece of P. falciparum MAL14 whose
// header ">MAL14 " ends in a blank.
TEST(Trf, ConvertedPositionsCutTheRepeatsBases)
{
    const struct {
        std::string dat, fasta;
        std::size_t repeats;
        PatternRecord last;
    } cases[] = {{kLambdaDat, kLambdaFa, 68, {48332, 48361, 15}},
                 {kTwoRecords + ".trf.dat", kTwoRecords + ".fa", 9, {3433 + 4412, 3483 + 4412, 17}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.dat);
        EXPECT_TRUE(IsTrfDatFile(c.dat));
        const auto repeats = ReadTrfRepeats(c.dat, c.fasta);
        ASSERT_TRUE(repeats) << repeats.Message();
        ASSERT_EQ(repeats->size(), c.repeats);
        EXPECT_EQ(repeats->back(), c.last);

        // Field 15 of every repeat line is the repeat's own text.
        std::string tokens;
        for (const std::string& word : Words(ReadFile(c.fasta)))
            tokens += word;
        std::istringstream lines(ReadFile(c.dat));
        std::size_t i = 0;
        for (std::string line; std::getline(lines, line);) {
            const std::vector<std::string> f = Words(line);
            if (f.size() != 15 || !std::isdigit(static_cast<unsigned char>(f[0][0])))
                continue;
            ASSERT_LT(i, repeats->size());
            const PatternRecord& r = (*repeats)[i++];
            std::string cut =
                tokens.substr(static_cast<std::size_t>(r.start - 1), static_cast<std::size_t>(r.end - r.start + 1));
            std::transform(cut.begin(), cut.end(), cut.begin(), [](char ch) { return std::toupper(ch); });
            EXPECT_EQ(cut, f[14]) << "repeat " << i;
        }
        EXPECT_EQ(i, repeats->size());
    }
}

TEST(Trf, OnlyTrfOutputIsTakenAndMismatchesAreReported)
{
    ScratchDir dir;
    EXPECT_TRUE(IsTrfDatFile(WriteFile(dir / "blank-first.dat", "\r\n\nTandem Repeats Finder Program written by:")));
    for (const fs::path& other :
         {WriteFile(dir / "other.dat", "Tandem Repeats\n"), fs::path(kLambdaPat), dir / "no.dat", dir.Path()})
        EXPECT_FALSE(IsTrfDatFile(other)) << other;

    const std::string credit = "Tandem Repeats Finder Program written by:\n\nGary Benson\n\n";
    const std::string repeat = "1 10 2 5.0 2 100 0 20 50 0 0 50 1.00 AC ACACACACAC\n";
    const struct {
        std::string dat, fasta;
        const char* mentions;
    } cases[] = {
        {kLambdaDat, kTwoRecords + ".fa", "Enterobacteria phage lambda"},
        {kLambdaDat, WriteFile(dir / "short.fa", ReadFile(kLambdaFa).substr(0, 1000)).string(), "bases"},
        {WriteFile(dir / "bad.dat", credit + "Sequence: chr17\n\nParameters: 2 7\n12 abc\n").string(),
         kTwoRecords + ".fa", "line 8"},
        {WriteFile(dir / "no-sequence.dat", credit + repeat).string(), kLambdaFa, "Sequence:"},
        {WriteFile(dir / "order.dat", credit + "Sequence: chr17\n\n" + repeat + "Sequence: nowhere\n").string(),
         kTwoRecords + ".fa", "nowhere"},
        // One endless line is refused at the bound, not held.
        {WriteFile(dir / "long.dat", credit + "Sequence: x\n" + std::string(3 << 20, '7') + "\n").string(),
         WriteFile(dir / "x.fa", ">x\nACGTACGTAC\n").string(), "long.dat: line 6: longer than"},
        {dir.Path().string(), kLambdaFa, "folder"},
        {"/dev/zero", kLambdaFa, "not a regular file"},
        {kLambdaDat, "/no/such.fa", "/no/such.fa: No such file"},
        // One base past its record is past the record, whatever follows it.
        {WriteFile(dir / "past.dat", credit + "Sequence: x\n\n1 11 2 5.0 2 100 0 20 50 0 0 50 1.00 AC ACAC\n").string(),
         WriteFile(dir / "x2.fa", ">x\nACGTACGTAC\n>y\nACGT\n").string(), "line 7: repeat ends at base 11"},
        // A name agrees by its whole text or its first word, never by a prefix.
        {WriteFile(dir / "prefix.dat", credit + "Sequence: chr1\n\n" + repeat).string(),
         WriteFile(dir / "chr1x.fa", ">chr1x\nACGTACGTACGT\n").string(), "\"chr1\" is not a record"},
    };
    for (const auto& c : cases) {
        const auto repeats = ReadTrfRepeats(c.dat, c.fasta);
        EXPECT_FALSE(repeats) << c.mentions;
        EXPECT_NE(repeats.Message().find(c.mentions), std::string::npos) << repeats.Message();
    }

    // A byte-order mark before the credit, and a FASTA header whose first word is the
    // .dat's name: read as the plain file would be.
    const fs::path fasta = WriteFile(dir / "chr1.fa", ">chr1 some description\nACACACACACGT\n");
    const fs::path dat = WriteFile(dir / "bom.dat", "\xEF\xBB\xBF" + credit + "Sequence: chr1\n\n" + repeat);
    EXPECT_TRUE(IsTrfDatFile(dat));
    const auto repeats = ReadTrfRepeats(dat, fasta);
    ASSERT_TRUE(repeats) << repeats.Message();
    EXPECT_EQ(repeats.value(), (std::vector<PatternRecord>{{21, 30, 2}})); // after the header's 20 tokens
}

TEST(PositionList, KeepsFileOrderAndFindsEveryEntry)
{
    const struct { // content nullptr: no file
        const char* content;
        std::vector<std::int64_t> entries;
        std::vector<std::int64_t> absent;
        const char* error; // nullptr: read whole
    } cases[] = {
        {"5\r\n40\r\n", {5, 40}, {0, 6, 41, -5}, nullptr},
        {nullptr, {}, {0, 5}, "starts.txt: No such file or directory"},
        {" 7\t8\v9\f10\r11\n", {7, 8, 9, 10, 11}, {6, 12}, nullptr},
        // Reading ends at the first bad token, which is named by its line.
        {"5\r\n40x\r\n70\r\n", {5, 40}, {70}, "starts.txt: line 2: not a whole number"},
        // Whole genomes: positions past 2^31 and 2^32, up to the 64-bit bounds and no further.
        {"5\r\n2147483648\r\n4294967301\r\n", {5, 2147483648LL, 4294967301LL}, {2147483647, 4294967296LL, 1}, nullptr},
        {"-9223372036854775808\r\n9223372036854775807\r\n", {INT64_MIN, INT64_MAX}, {0, INT64_MAX - 1}, nullptr},
        {"5\r\n\r\n9223372036854775808\r\n70\r\n", {5}, {70, INT64_MAX}, "starts.txt: line 3: not a whole number"},
        {"5 -9223372036854775809 70", {5}, {70, INT64_MIN}, "line 1"},
        {"40 5 40 -3", {40, 5, 40, -3}, {0, 4, 39}, nullptr},
    };
    for (const auto& c : cases) {
        ScratchDir dir;
        if (c.content != nullptr)
            WriteFile(dir / "starts.txt", c.content);
        PositionList list;
        list.Assign({12345}); // earlier content goes
        const IoStatus read = LoadPositionList(dir / "starts.txt", list);
        EXPECT_EQ(read.ok(), c.error == nullptr);
        if (c.error != nullptr) {
            EXPECT_NE(read.Message().find(c.error), std::string::npos) << read.Message();
        }
        std::vector<std::int64_t> sorted = c.entries;
        std::sort(sorted.begin(), sorted.end());
        sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
        EXPECT_EQ(list.Sorted(), sorted);
        for (const std::int64_t p : c.absent)
            EXPECT_FALSE(std::binary_search(sorted.begin(), sorted.end(), p)) << p;
    }

    // No fixed limit on the number of positions.
    std::string content;
    for (int p = 30000; p > 0; p -= 3)
        content += std::to_string(p) + "\r\n";
    ScratchDir dir;
    PositionList list;
    ASSERT_TRUE(LoadPositionList(WriteFile(dir / "starts.txt", content), list));
    ASSERT_EQ(list.Sorted().size(), 10000u);
    EXPECT_TRUE(list.Sorted().front() == 3 && list.Sorted().back() == 30000);
}

TEST(ReadSequenceLetters, KeepsLettersAfterTheOffset)
{
    const struct {
        std::string content;
        std::int64_t offset;
        std::string letters;
    } cases[] = {
        {">chr1 gene\nACGT\n", 0, "cgACGT"}, // the header's letters count too
        {"A C G T N N A C", 3, "TAC"},       // tokens of any kind are skipped
        {"A C G T N N A C", 8, ""},
        {"ac\r\ngt", -4, "acgt"},
        {"a\tc\vg\ft\r\nA C", 1, "cgtAC"},
        {std::string(kViewerMaxLetters, 'g') + "T", 0, std::string(kViewerMaxLetters, 'g')},
        {std::string(kViewerMaxLetters, 'g') + "T", 1, std::string(kViewerMaxLetters - 1, 'g') + "T"},
    };
    ScratchDir dir;
    for (const auto& c : cases)
        EXPECT_EQ(ReadSequenceLetters(WriteFile(dir / "seq.fa", c.content), c.offset).value(), c.letters)
            << c.content.substr(0, 20) << " from " << c.offset;
}

// Small writes are gathered and large ones go straight through: the file holds every
// byte in order. An existing file is replaced only by a writer that closes.
TEST(OutputFile, WritesEveryByteAndReplacesOnlyOnClose)
{
    const struct {
        std::vector<std::size_t> writes;
        bool close;
    } cases[] = {{{}, true}, {{1, 2, 3}, true}, {{10, 70000, 5}, true}, {{5000, 3, 65535, 65536}, true}, {{100, 100}, false}};
    for (const auto& c : cases) {
        ScratchDir dir;
        const fs::path file = WriteFile(dir / "out.txt", "old");
        std::string expected;
        {
            OutputFile out(file);
            ASSERT_TRUE(out.IsOpen());
            for (const std::size_t n : c.writes) {
                const std::string chunk(n, static_cast<char>('a' + expected.size() % 26));
                EXPECT_TRUE(out.Write(chunk));
                expected += chunk;
            }
            if (c.close) {
                EXPECT_TRUE(out.Close());
            }
        }
        EXPECT_EQ(ReadFile(file), c.close ? expected : "old");
        EXPECT_EQ(Files(dir.Path()).size(), 1u); // no temporary file stays behind
    }
}
