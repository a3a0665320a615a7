// Record names and base coordinates: the record table, .fai indexes, regions.
#include "core/sequence/fasta_index.h"
#include "core/sequence/genome_coordinates.h"
#include "core/sequence/sequence_letters.h"
#include "core/sequence/token_offset_index.h"

#include "test_support.h"

using namespace lirovane;
using namespace lirovane::test;

namespace {

// ">chr1 first" (10 positions), 12 bases; ">chr2" (5), 7 bases; ">chrX" (5), 3 bases.
const std::string kThree = ">chr1 first\nACGTA\nCGTAC\nGT\n>chr2\nAAAAA\nCC\n>chrX\nGGG\n";

std::vector<FastaRecord> Records(const std::string& text)
{
    ScratchDir dir;
    return *ScanFastaRecords(WriteFile(dir / "g.fa", text));
}

} // namespace

TEST(GenomeCoordinates, RangesAtRecordEdgesAndAcrossThem)
{
    const auto records = Records(kThree);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[1].tokensBefore, 10u + 12u + 5u);
    const struct {
        std::uint64_t first, last;
        const char* text;
    } cases[] = {
        {11, 22, "chr1:1-12"},      // a whole record, first and last base
        {11, 11, "chr1:1-1"},       // its first base alone
        {22, 22, "chr1:12-12"},     // its last base alone
        {1, 22, "chr1:1-12"},       // from the header line: the first base
        {20, 30, "chr1:10-chr2:3"}, // across a boundary and a header
        {22, 27, "chr1:12-12"},     // into the next header: the last base before
        {12, 44, "chr1:2-chrX:3"},  // across two boundaries
        {23, 27, ""},               // a header alone holds no base
        {40, 100, "chrX:1-3"},      // past the end: the last base
    };
    for (const auto& c : cases)
        EXPECT_EQ(DescribeRange(records, c.first, c.last), c.text) << c.first << "-" << c.last;
    EXPECT_EQ(WithCommas(30000001), "30,000,001");
    EXPECT_EQ(WithCommas(999), "999");
    EXPECT_EQ(WithCommas(1000), "1,000");
}

TEST(GenomeCoordinates, RegionParsing)
{
    const auto records = Records(kThree);
    const struct {
        const char* text;
        std::int64_t start;  // -1: rejected
        const char* message; // the region, or the error's words
    } cases[] = {
        {"chr2:3", 27 + 2, "chr2:3"},
        {"chr2", 27, "chr2:1"},
        {" chr1:1-12 ", 10, "chr1:1-12"},
        {"chr1:1,0", 19, "chr1:10"}, // commas in numbers
        {"chrX:3", 39 + 2, "chrX:3"},
        {"12345", 12345, ""}, // a bare start index, past the end too
        {"0", 0, ""},
        {"chr1:13", -1, "chr1 has 12 bases"},
        {"chr2:1-8", -1, "chr2 has 7 bases"},
        {"chr3:5", -1, "no record named \"chr3\"; closest: chr1, chr2, chrX"},
        {"first", -1, "no record named \"first\""},
        {"chr1:0", -1, "is not a base position"},
        {"chr1:5-2", -1, "is not a range of bases"},
        {"chr1:x", -1, "is not a base position"},
        {"", -1, "type a record name"},
        {"-4", -1, "0 or more"},
    };
    for (const auto& c : cases) {
        std::string error;
        const auto target = ParseRegion(c.text, records, &error);
        EXPECT_EQ(target.has_value(), c.start >= 0) << c.text << ": " << error;
        if (target) {
            EXPECT_EQ(target->startIndex, c.start) << c.text;
            EXPECT_EQ(target->region, c.message) << c.text;
        } else {
            EXPECT_NE(error.find(c.message), std::string::npos) << c.text << ": " << error;
        }
    }
}

// An index that agrees reaches positions without reading what lies before them and
// gives what a plain scan gives; one that disagrees is ignored with a notice.
TEST(FastaIndexFile, AgreeAndDisagree)
{
    ScratchDir dir;
    std::string genome;
    for (int record = 0; record < 4; ++record) {
        genome += ">seq" + std::to_string(record) + " some description\n";
        for (int line = 0; line < 500 + record * 37; ++line)
            genome += std::string("ACGTTGCAAC").substr(static_cast<std::size_t>(line % 5), 5) + "acgtnACGTNacgtNNNN\n";
        genome += "ACG\n";
    }
    const struct {
        const char* name;
        std::function<void(const fs::path& fa)> change; // after indexing
        const char* notice;                             // nullptr: the index agrees
    } cases[] = {
        {"agrees", [](const fs::path&) {}, nullptr},
        {"header edited after indexing",
         [&](const fs::path& fa) {
             std::string text = genome;
             text.replace(text.find(">seq2 some"), 10, ">seq2 an edited");
             WriteFile(fa, text);
             fs::last_write_time(fa.string() + ".fai", fs::last_write_time(fa) + std::chrono::seconds(1));
         },
         "record seq2"},
        {"line width changed",
         [&](const fs::path& fa) {
             std::string text = genome;
             for (std::size_t at = 0; (at = text.find("NNNN\nA", at)) != std::string::npos;)
                 text.erase(at + 4, 1); // join two lines
             WriteFile(fa, text);
             fs::last_write_time(fa.string() + ".fai", fs::last_write_time(fa) + std::chrono::seconds(1));
         },
         "does not agree"},
        {"one endless line",
         [](const fs::path& fa) {
             WriteFile(fa.string() + ".fai", std::string(100000, 'A') + "\t1\t0\t60\t61\n");
             fs::last_write_time(fa.string() + ".fai", fs::last_write_time(fa) + std::chrono::seconds(1));
         },
         "not a FASTA index"},
        {"file newer than its index",
         [](const fs::path& fa) {
             fs::last_write_time(fa, fs::last_write_time(fa.string() + ".fai") + std::chrono::seconds(5));
         },
         "changed after it was indexed"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path fa = WriteFile(dir / (std::string(c.name) + ".fa"), genome);
        const IoStatus indexed = WriteFastaIndex(fa);
        ASSERT_TRUE(indexed) << indexed.Message();
        c.change(fa);
        std::string notice;
        const auto index = LoadFastaIndex(fa, &notice);
        EXPECT_EQ(index.has_value(), c.notice == nullptr) << notice;
        if (c.notice != nullptr)
            EXPECT_NE(notice.find(c.notice), std::string::npos) << notice;
        else
            EXPECT_EQ(index->records.size(), 4u);

        // Whatever the index says, the letters are those of a plain scan.
        TokenOffsetIndex none(std::numeric_limits<std::uint64_t>::max());
        TokenOffsetIndex withFai;
        const auto records = ScanFastaRecords(fa);
        for (const FastaRecord& r : *records)
            for (const std::uint64_t at : {r.tokensBefore - 3, r.tokensBefore, r.tokensBefore + 1,
                                           r.tokensBefore + r.bases - 1, r.tokensBefore + r.bases + 2})
                ASSERT_EQ(ReadSequenceLetters(fa, static_cast<std::int64_t>(at), withFai).value(),
                          ReadSequenceLetters(fa, static_cast<std::int64_t>(at), none).value())
                    << at;
        EXPECT_EQ(withFai.IndexNotice(fa).empty(), c.notice == nullptr);
    }
}

TEST(FastaIndexFile, CommandLineIndexAndRegion)
{
    ScratchDir dir;
    const fs::path fa = WriteFile(dir / "g.fa", kThree);
    RunResult run = RunBatch(dir.Path(), {"--index", fa});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(ReadFile(fa.string() + ".fai"), "chr1\t12\t12\t5\t6\nchr2\t7\t33\t5\t6\nchrX\t3\t48\t3\t4\n");

    const fs::path bgz = Compress(fa, dir / "g.fa.gz", "bgzip");
    run = RunBatch(dir.Path(), {"--index", bgz});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(fs::exists(bgz.string() + ".fai") && fs::exists(bgz.string() + ".gzi"));
    run = RunBatch(dir.Path(), {"--index", Compress(fa, dir / "plain.fa.gz", "gzip")});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("bgzip"), std::string::npos) << run.err;

    const struct {
        const char* region;
        int status;
        const char* output;
    } cases[] = {
        // The end index counts letters kept (the c of ">chrX" too), as the viewer's does.
        {"chr2:3", 0, "start 29 end 38\nregion chr2:3-7\n"},
        {"chrX", 0, "start 39 end 42\nregion chrX:1-3\n"},
        {"chr1", 0, "start 10 end 34\nregion chr1:1-chr2:7\n"},
        {"chr9:1", 2, "no record named \"chr9\"; closest: chr1, chr2, chrX"},
        {"chr2:8", 2, "chr2 has 7 bases"},
    };
    for (const auto& c : cases) {
        run = RunBatch(dir.Path(), {"--view", fa, "--region", c.region, "--save", dir / "v.bmp"});
        EXPECT_EQ(run.status, c.status) << c.region;
        EXPECT_NE((run.out + run.err).find(c.output), std::string::npos) << c.region << ": " << run.out << run.err;
    }
    run = RunBatch(dir.Path(), {"--version"});
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(run.out.starts_with("lirovane-batch (Lirovane) ")) << run.out;
}
