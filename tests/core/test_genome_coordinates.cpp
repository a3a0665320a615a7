// Record names and base coordinates: the record table, .fai indexes, regions.
#include "core/sequence/fasta_index.h"
#include "core/sequence/genome_coordinates.h"
#include "core/sequence/sequence_letters.h"
#include "core/sequence/token_offset_index.h"

#include "test_support.h"

namespace {

// ">chr1 first" (10 positions), 12 bases; ">chr2" (5), 7 bases; ">chrX" (5), 3 bases.
const std::string kThree = ">chr1 first\nACGTA\nCGTAC\nGT\n>chr2\nAAAAA\nCC\n>chrX\nGGG\n";

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
        // A whole record; from its header; across one boundary, into the next header, across two.
        {11, 22, "chr1:1-12"}, {1, 22, "chr1:1-12"}, {20, 30, "chr1:10-chr2:3"}, {22, 27, "chr1:12-12"},
        {12, 44, "chr1:2-chrX:3"}, {23, 27, ""}, {40, 100, "chrX:1-3"}, // a header alone; past the end
    };
    for (const auto& c : cases)
        EXPECT_EQ(DescribeRange(records, c.first, c.last), c.text) << c.first << "-" << c.last;
    EXPECT_EQ(WithCommas(999) + " " + WithCommas(1000) + " " + WithCommas(30000001), "999 1,000 30,000,001");
}

TEST(GenomeCoordinates, RegionParsing)
{
    const auto records = Records(kThree);
    const struct {
        const char* text;
        std::int64_t start;  // -1: rejected
        const char* message; // the region, or the error's words
    } cases[] = {
        {"chr2:3", 27 + 2, "chr2:3"}, {"chr2", 27, "chr2:1"}, {" chr1:1-12 ", 10, "chr1:1-12"},
        {"chr1:1,0", 19, "chr1:10"}, {"12345", 12345, ""}, // commas in numbers; a bare start index past the end
        {"chr1:13", -1, "chr1 has 12 bases"}, {"chr2:1-8", -1, "chr2 has 7 bases"},
        {"chr3:5", -1, "no record named \"chr3\"; closest: chr1, chr2, chrX"},
        {"first", -1, "no record named \"first\""},
        {"chr1:0", -1, "is not a base position"}, {"chr1:5-2", -1, "is not a range of bases"},
        {"", -1, "type a record name"}, {"-4", -1, "0 or more"},
        {"99999999999999999999", -1, "\"99999999999999999999\" is out of range"},
        {"chr1:2-99999999999999999999", -1, "is out of range"},
        // Names as samtools faidx takes them (">HLA-A*01:01", "> bar desc", ">dup" twice, ">").
        {"@HLA-A*01:01:2", 13, "HLA-A*01:01:2"}, {"@bar:2", 25, "bar:2"}, {"@dup", 30, "dup:1"}, // the first of two
        {"@ba", -1, "no record named \"ba\"; closest: bar, dup, HLA-A*01:01"},
    };
    const auto named = Records(">HLA-A*01:01\nACGT\n> bar desc\nAC\n>dup\nA\n>dup\nCC\n>\nG\n");
    for (const auto& c : cases) {
        const bool other = c.text[0] == '@';
        const auto target = ParseRegion(c.text + (other ? 1 : 0), other ? named : records);
        EXPECT_EQ(target->note.empty(), std::string_view(c.text) != "@dup") << c.text;
        EXPECT_EQ(target.ok(), c.start >= 0) << c.text << ": " << target.Message();
        if (target) {
            EXPECT_EQ(target->startIndex, c.start) << c.text;
            EXPECT_EQ(target->region, c.message) << c.text;
        } else {
            EXPECT_NE(target.Message().find(c.message), std::string::npos) << c.text << ": " << target.Message();
            EXPECT_TRUE(target.error().file.empty());
        }
    }
}

namespace {

// Four records of lines of 23 letters, mixed case and N, then a short last line.
const std::string& IndexedGenome()
{
    static const std::string genome = [] {
        std::string text;
        for (int record = 0; record < 4; ++record) {
            text += ">seq" + std::to_string(record) + " some description\n";
            for (int line = 0; line < 500 + record * 37; ++line)
                text += std::string("ACGTTGCAAC").substr(static_cast<std::size_t>(line % 5), 5) + "acgtnACGTNacgtNNNN\n";
            text += "ACG\n";
        }
        return text;
    }();
    return genome;
}

// Makes FILE.fai newer than FILE, as an index written after it is.
void IndexAfter(const fs::path& fa)
{
    fs::last_write_time(fa.string() + ".fai", fs::last_write_time(fa) + std::chrono::seconds(1));
}

// What is changed after indexing, and the notice the index is then ignored with (nullptr:
// the index agrees).
const struct {
    const char* name;
    void (*change)(const fs::path& fa);
    const char* notice;
} kIndexChanges[] = {
    {"agrees", [](const fs::path&) {}, nullptr},
    {"header edited after indexing",
     [](const fs::path& fa) {
         std::string text = IndexedGenome();
         WriteFile(fa, text.replace(text.find(">seq2 some"), 10, ">seq2 an edited"));
         IndexAfter(fa);
     },
     "record seq2"},
    {"line width changed",
     [](const fs::path& fa) {
         std::string text = IndexedGenome();
         for (std::size_t at = 0; (at = text.find("NNNN\nA", at)) != std::string::npos;)
             text.erase(at + 4, 1); // join two lines
         WriteFile(fa, text);
         IndexAfter(fa);
     },
     "does not agree"},
    {"one endless line",
     [](const fs::path& fa) {
         WriteFile(fa.string() + ".fai", std::string(100000, 'A') + "\t1\t0\t60\t61\n");
         IndexAfter(fa);
     },
     "not a FASTA index"},
    {"index missing its last record",
     [](const fs::path& fa) {
         std::string fai = ReadFile(fa.string() + ".fai");
         WriteFile(fa.string() + ".fai", fai.erase(fai.rfind("seq3")));
         IndexAfter(fa);
     },
     "holds more than the index lists"},
    {"CRLF lines, indexed again",
     [](const fs::path& fa) {
         std::string text;
         for (const char c : IndexedGenome())
             text += c == '\n' ? std::string("\r\n") : std::string(1, c);
         WriteFile(fa, text);
         EXPECT_TRUE(WriteFastaIndex(fa));
     },
     nullptr},
    {"file newer than its index",
     [](const fs::path& fa) {
         fs::last_write_time(fa, fs::last_write_time(fa.string() + ".fai") + std::chrono::seconds(5));
     },
     "changed after it was indexed"},
};

} // namespace

// An index that agrees reaches positions without reading what lies before them and
// gives what a plain scan gives; one that disagrees is ignored with a notice.
TEST(FastaIndexFile, AgreeAndDisagree)
{
    ScratchDir dir;
    for (const auto& c : kIndexChanges) {
        SCOPED_TRACE(c.name);
        const fs::path fa = WriteFile(dir / (std::string(c.name) + ".fa"), IndexedGenome());
        const IoStatus indexed = WriteFastaIndex(fa);
        ASSERT_TRUE(indexed) << indexed.Message();
        c.change(fa);
        const auto index = LoadFastaIndex(fa);
        EXPECT_EQ(index.ok(), c.notice == nullptr) << index.Message();
        if (c.notice != nullptr)
            EXPECT_NE(index.Message().find(c.notice), std::string::npos) << index.Message();
        else
            EXPECT_EQ(index.value()->records.size(), 4u);

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

TEST(FastaIndexFile, CommandLineIndex)
{
    ScratchDir dir;
    const fs::path fa = WriteFile(dir / "g.fa", kThree);
    const std::string kThreeFai = "chr1\t12\t12\t5\t6\nchr2\t7\t33\t5\t6\nchrX\t3\t48\t3\t4\n";
    std::string many; // an index larger than 4 KiB
    for (int record = 0; record < 400; ++record)
        many += ">record" + std::to_string(record) + "\nACGT\n";
    // --index writes as every output is written, and says why in one line of its own.
    const struct {
        const char* file; // in dir; "" for none
        std::string content;
        std::function<void(const fs::path& file)> beside; // what lies beside it before the run
        int status;
        const char* err;
        const char* fai = nullptr; // what FILE.fai holds afterwards
        std::function<void()> inChild = {};
    } cases[] = {
        {"plain.fa", kThree, nullptr, 0, "wrote", kThreeFai.c_str()},
        {"link.fa", kThree, [](const fs::path& f) { fs::create_symlink(f.filename(), f.string() + ".fai"); }, 0,
         "wrote", kThreeFai.c_str()},
        {"limited.fa", many, [](const fs::path& f) { WriteFile(f.string() + ".fai", "old\n"); }, 1,
         "limited.fa.fai : File too large", "old\n", [] { LimitFileSize(4096); }},
        {"data:g.fa", kThree, nullptr, 0, "wrote", kThreeFai.c_str()},
        {"empty.fa", "", nullptr, 0, "wrote", ""},
        {"dup.fa", ">a\nACGT\n>a\nAC\n", nullptr, 0, "warning: dup.fa: Ignoring duplicate sequence \"a\"",
         "a\t4\t3\t4\t5\n"},
        {"ragged.fa", ">a\nACGT\nACGTT\n", nullptr, 1,
         "cannot index: ragged.fa: Different line length in sequence 'a'"},
        {"", "", nullptr, 2, "--index needs a sequence file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const fs::path file = dir / c.file;
        if (*c.file != '\0')
            WriteFile(file, c.content);
        if (c.beside)
            c.beside(file);
        // From within dir: "data:g.fa" is a relative name there.
        const RunResult run = RunBatch(dir.Path(), {std::string("--index=") + c.file}, [&] {
            fs::current_path(dir.Path());
            if (c.inChild)
                c.inChild();
        });
        EXPECT_EQ(run.status, c.status) << run.err;
        EXPECT_NE(run.err.find(c.err), std::string::npos) << run.err;
        EXPECT_EQ(run.err.find('['), std::string::npos) << run.err; // nothing of the library's own
        EXPECT_EQ(c.fai ? ReadFile(file.string() + ".fai") : "", c.fai ? c.fai : "");
        EXPECT_EQ(*c.file ? ReadFile(file) : c.content, c.content); // never written through a link
    }
    const fs::path bgz = Compress(fa, dir / "g.fa.gz", "bgzip");
    RunResult run = RunBatch(dir.Path(), {"--index", bgz});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(fs::exists(bgz.string() + ".fai") && fs::exists(bgz.string() + ".gzi"));
    run = RunBatch(dir.Path(), {"--index", Compress(fa, dir / "plain.fa.gz", "gzip")});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("bgzip"), std::string::npos) << run.err;
}

TEST(FastaIndexFile, CommandLineRegion)
{
    ScratchDir dir;
    const fs::path fa = WriteFile(dir / "g.fa", kThree);
    const struct {
        const char* region;
        int status;
        const char* output;
    } regions[] = {
        // The end index counts letters kept (the c of ">chrX" too), as the viewer's does.
        {"chr2:3", 0, "start 29 end 38\nregion chr2:3-7\n"},
        {"chrX", 0, "start 39 end 42\nregion chrX:1-3\n"},
        {"chr1", 0, "start 10 end 34\nregion chr1:1-chr2:7\n"},
        {"chr2:8", 2, "chr2 has 7 bases"},
        {"", 2, "--region needs a record name"},
    };
    for (const auto& c : regions) {
        const RunResult run = RunBatch(dir.Path(), {"--view", fa, "--region", c.region, "--save", dir / "v.bmp"});
        EXPECT_EQ(run.status, c.status) << c.region;
        EXPECT_NE((run.out + run.err).find(c.output), std::string::npos) << c.region << ": " << run.out << run.err;
    }
}
