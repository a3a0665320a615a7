// Galleries of features: BED and GFF3 files read on a sequence's records, each feature
// drawn from its own strand, and the pictures checked against the forward drawing of
// the letters expected (and of bedtools' letters for the same intervals).
#include "core/batch/feature_gallery.h"
#include "core/sequence/genome_coordinates.h"
#include "core/settings/app_settings.h"

#include "test_support.h"

namespace {

// chr1 holds 16 bases, chr2 12; the header's words after the first are not the name.
constexpr std::string_view kTwoRecords = ">chr1 first record\nACGTACGTTT\nGGCCAA\n>chr2\nAAACCCGGGTTT\n";

struct Expected {
    const char* picture; // relative to the output folder
    const char* letters; // as the walk reads them
};

} // namespace

// Good files, as lirovane-batch reads them (the file plain or compressed, "f" either way):
// each feature's picture is the forward drawing of its strand's letters, and each gallery's
// list names every picture.
TEST(Features, FilesBecomePicturesOfTheirStrand)
{
    const struct {
        const char* what;
        const char* options;
        const char* text;
        const char* compress; // gzip, bgzip or none
        std::vector<Expected> pictures;
    } cases[] = {
        {"BED3 at both record edges, named by place", "--bed @f", "chr1\t0\t4\nchr2\t8\t12\n", nullptr,
         {{"chr1_1-4.bmp", "ACGT"}, {"chr2_9-12.bmp", "GTTT"}}},
        {"BED6 minus strand, names made safe and unique ignoring case", "--bed @f",
         "track name=x\nbrowser position chr1\n# note\nchr1 0 6 g:1 0 -\nchr1\t0\t6\tG_1\t0\t+\nchr1\t2\t4\t.\t0\t-\n",
         nullptr, {{"g_1.bmp", "GTACGT"}, {"G_1-2.bmp", "ACGTAC"}, {"chr1_3-4_minus.bmp", "AC"}}},
        {"BED12 exons joined in order, then reverse-complemented", "--bed @f",
         "chr2\t0\t12\tx\t0\t-\t0\t12\t0\t2\t3,3,\t0,6,\n", nullptr, {{"x.bmp", "CCCTTT"}}},
        {"--ignore-strand draws the plus strand", "--bed @f --ignore-strand", "chr1\t0\t6\t.\t0\t-\n", nullptr,
         {{"chr1_1-6.bmp", "ACGTAC"}}},
        {"gzip BED", "--bed @f", "chr2\t0\t3\n", "gzip", {{"chr2_1-3.bmp", "AAA"}}},
        {"GFF3 escapes, ##FASTA and a type gallery", "--gff @f --type tRNA",
         "##gff-version 3\nchr1\t.\tgene\t1\t16\t.\t+\t.\tID=g1;Name=a%2Cb\nchr%31\t.\ttRNA\t3\t5\t.\t-\t.\tID=t%201\n"
         "chr2\t.\ttRNA\t12\t12\t.\t?\t.\tName=.x\n##FASTA\n>chr1\nnot GFF\n",
         "bgzip", {{"tRNA/t_1.bmp", "TAC"}, {"tRNA/_x.bmp", "T"}}},
        {"GFF3 without types: one gallery, Name before ID", "--gff @f",
         "chr1\t.\tgene\t1\t16\t.\t+\t.\tID=g1;Name=a%2Cb\n", nullptr, {{"a_b.bmp", "ACGTACGTTTGGCCAA"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ScratchDir dir;
        WriteFile(dir / "two.fa", kTwoRecords);
        Compress(WriteFile(dir / "features.txt", c.text), dir / "f", c.compress);
        const RunResult run = RunLine(dir, "--sequence @two.fa --out @out " + std::string(c.options));
        ASSERT_EQ(run.status, 0) << run.err;
        std::size_t pictures = 0;
        std::size_t listed = 0;
        for (const auto& [name, bytes] : Files(dir / "out")) {
            pictures += name.ends_with(".bmp") ? 1U : 0U;
            listed += name.ends_with(kFeatureListName) ? Lines(bytes).size() - 1 : 0;
        }
        EXPECT_EQ(pictures, c.pictures.size());
        EXPECT_EQ(listed, pictures);
        for (const Expected& e : c.pictures)
            EXPECT_TRUE(ReadFile(dir / "out" / e.picture) == ForwardPicture(e.letters)) << e.picture;
    }
}

// More features than a block of the list holds, their names past the store's first blocks.
TEST(Features, MoreFeaturesThanOneBlockHolds)
{
    ScratchDir dir;
    std::string many;
    for (std::size_t i = 0; i <= FeatureList::kPerBlock; ++i)
        many += "chr2\t" + std::to_string(i % 5) + "\t12\tname" + std::to_string(i) + '\n';
    const auto records = ScanFastaRecords(WriteFile(dir / "two.fa", kTwoRecords));
    const auto set = ReadFeatures({WriteFile(dir / "many.bed", many), FeatureFormat::Bed, {}}, *records, "two.fa");
    ASSERT_EQ(set->features.size(), FeatureList::kPerBlock + 1);
    for (const std::size_t i : {std::size_t{0}, FeatureList::kPerBlock - 1, FeatureList::kPerBlock})
        EXPECT_TRUE(set->features[i].name == "name" + std::to_string(i) && set->features[i].start == i % 5) << i;
}

// A bad line refuses the file, naming the line and what is wrong with it.
TEST(Features, BadLinesAreRefusedWithTheirLine)
{
    const std::tuple<FeatureFormat, const char*, const char*> cases[] = {
        {FeatureFormat::Bed, "chr1\t0\t4\nchrX\t0\t4\n", "line 2: no record named \"chrX\""},
        {FeatureFormat::Bed, "chr1\t0\t17\n", "line 1: feature ends at base 17 but \"chr1\""},
        {FeatureFormat::Bed, "chr1\tx\t4\n", "line 1: start \"x\""},
        {FeatureFormat::Bed, "chr1\t5\t4\n", "line 1: start 5 is after end 4"},
        {FeatureFormat::Bed, "chr1\t0\t4\tn\t0\t*\n", "line 1: strand \"*\""},
        {FeatureFormat::Bed, "chr2\t0\t6\tx\t0\t+\t0\t6\t0\t2\t3,4,\t0,3,\n", "line 1: block 2 lies outside"},
        {FeatureFormat::Gff3, "chr1\t.\tgene\t0\t4\t.\t+\t.\tID=a\n", "line 1: start 0 and end 4"},
        {FeatureFormat::Gff3, "chr1\t.\tgene\t1\t4\t.\t+\t.\tgene_id \"a\";\n", "line 1: attributes written as in GTF"},
    };
    ScratchDir dir;
    const fs::path sequence = WriteFile(dir / "two.fa", kTwoRecords);
    const auto records = ScanFastaRecords(sequence);
    for (const auto& [format, text, error] : cases) {
        const auto set = ReadFeatures({WriteFile(dir / "f.txt", text), format, {}}, *records, sequence.string());
        EXPECT_FALSE(set) << text;
        EXPECT_NE(set.Message().find(error), std::string::npos) << set.Message();
    }
}

namespace {

// One generated feature: record, 0-based start, end, strand, and BED12 blocks.
struct Interval {
    std::string record;
    std::uint64_t start = 0;
    std::uint64_t end = 0;
    char strand = '+';
    std::vector<FeatureBlock> blocks;
};

// Random features over the records, both strands and unstranded, plus each record's
// first and last bases and its whole length on both strands.
std::vector<Interval> Generate(const std::vector<FastaRecord>& records, bool blocks, unsigned seed)
{
    std::mt19937 random(seed);
    std::vector<Interval> intervals;
    for (const FastaRecord& r : records) {
        const std::string name(RecordName(r));
        for (const char strand : {'+', '-'})
            for (const auto& [s, e] :
                 {std::pair{std::uint64_t{0}, std::uint64_t{40}}, {r.bases - 40, r.bases}, {0, r.bases}})
                intervals.push_back({name, s, e, strand, {}});
        for (int i = 0; i < 40; ++i) {
            const std::uint64_t length = 1 + random() % 1500;
            const std::uint64_t start = random() % (r.bases - length);
            intervals.push_back({name, start, start + length, "+-." [random() % 3], {}});
        }
    }
    for (Interval& f : intervals) {
        const std::uint64_t length = f.end - f.start;
        // Exons at the start, in the middle and at the end; a short feature is one exon.
        if (blocks)
            f.blocks = length < 10 ? std::vector<FeatureBlock>{{0, length}}
                                   : std::vector<FeatureBlock>{
                                         {0, length / 5}, {length / 2, length / 10}, {length - length / 5, length / 5}};
    }
    return intervals;
}

std::string BedText(const std::vector<Interval>& intervals)
{
    std::string text = "track name=generated\n";
    for (std::size_t i = 0; i < intervals.size(); ++i) {
        const Interval& f = intervals[i];
        // Built by appending: GCC 12 warns about some concatenations of temporaries.
        text.append(f.record).append(1, '\t').append(std::to_string(f.start)).append(1, '\t');
        text.append(std::to_string(f.end)).append("\tf").append(std::to_string(i)).append("\t0\t").append(1, f.strand);
        if (!f.blocks.empty()) {
            text.append(1, '\t').append(std::to_string(f.start)).append(1, '\t').append(std::to_string(f.end));
            text.append("\t0\t").append(std::to_string(f.blocks.size())).append(1, '\t');
            for (const FeatureBlock& b : f.blocks)
                text += std::to_string(b.size) + ',';
            text += '\t';
            for (const FeatureBlock& b : f.blocks)
                text += std::to_string(b.start) + ',';
        }
        text += '\n';
    }
    return text;
}

std::string GffText(const std::vector<Interval>& intervals)
{
    std::string text = "##gff-version 3\n";
    for (std::size_t i = 0; i < intervals.size(); ++i) {
        const Interval& f = intervals[i];
        text += f.record + "\tgen\tgene\t" + std::to_string(f.start + 1) + '\t' + std::to_string(f.end) + "\t.\t" +
                f.strand + "\t.\tID=f" + std::to_string(i) + '\n';
    }
    return text;
}

// bedtools' letters of every interval, by "RECORD:START-END(STRAND)" as it names them.
std::map<std::string, std::string> BedtoolsLetters(const ScratchDir& dir, const fs::path& fasta, const fs::path& bed,
                                                   bool split)
{
    const std::string command = "bedtools getfasta -s -name -tab" + std::string(split ? " -split" : "") + " -fi '" +
                                fasta.string() + "' -bed '" + bed.string() + "' > '" + (dir / "bt.tsv").string() +
                                "' 2>/dev/null";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    std::map<std::string, std::string> letters;
    for (const std::string& line : Lines(ReadFile(dir / "bt.tsv"))) {
        const std::size_t names = line.find("::");
        const std::size_t tab = line.find('\t');
        letters[line.substr(names + 2, tab - names - 2)] = line.substr(tab + 1);
    }
    return letters;
}

} // namespace

// Every picture equals the forward drawing of the letters bedtools extracts for the
// same interval on its strand (spliced for BED12).
TEST(Features, PicturesMatchBedtoolsLetters)
{
    if (std::system("bedtools --version > /dev/null 2>&1") != 0)
        GTEST_SKIP() << "bedtools is not installed";
    const char* samples = std::getenv("LIROVANE_SAMPLES");
    const fs::path ecoli =
        fs::path(samples != nullptr ? samples : LIROVANE_EXAMPLES "/../../shared/samples") / "ecoli_k12_mg1655.fa";
    const struct {
        const char* what;
        const char* option;
        bool blocks;
        const char* compress;
    } cases[] = {
        {"BED6 on two records, both strands and record edges", "--bed", false, nullptr},
        {"BED12 exons", "--bed", true, "gzip"},
        {"GFF3, 1-based", "--gff", false, "bgzip"},
        {"hand-made E. coli GFF3", "--gff", false, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ScratchDir dir;
        const bool real = std::string_view(c.what).starts_with("hand-made");
        if (real && !fs::exists(ecoli))
            continue;
        const fs::path fasta =
            real ? ecoli
                 : WriteFile(dir / "two.fa",
                             ReadFile(kLambdaFa) + ReadFile(LIROVANE_TEST_DATA "/workflow/human_chr17_part.fa"));
        const auto records = ScanFastaRecords(fasta);
        std::vector<Interval> intervals;
        if (real) {
            const auto set =
                ReadFeatures({LIROVANE_TEST_DATA "/features/ecoli_k12_genes.gff3", FeatureFormat::Gff3, {}}, *records,
                             fasta.string());
            for (const Feature& f : set->features)
                intervals.push_back({std::string(RecordName((*records)[f.record])), f.start, f.end, f.strand, {}});
        } else {
            intervals = Generate(*records, c.blocks, 19);
        }
        const fs::path bed = WriteFile(dir / "f.bed", BedText(intervals));
        fs::path features = std::string(c.option) == "--bed" ? bed : WriteFile(dir / "f.gff3", GffText(intervals));
        if (c.compress != nullptr)
            features = Compress(features, dir / "features.gz", c.compress);
        const RunResult run = RunBatch(dir.Path(), {"--sequence", fasta.string(), c.option, features.string(), "--out",
                                                    (dir / "out").string(), "--table", (dir / "t.tsv").string()});
        ASSERT_EQ(run.status, 0) << run.err;
        const auto expected = BedtoolsLetters(dir, fasta, bed, c.blocks);
        const std::vector<std::string> rows = Lines(ReadFile(dir / "t.tsv"));
        EXPECT_EQ(rows.size(), intervals.size() + 1);
        for (std::size_t i = 1; i < rows.size(); ++i) {
            const std::vector<std::string> cell = Words(rows[i]);
            const std::string where =
                cell[1] + ':' + std::to_string(std::stoull(cell[2]) - 1) + '-' + cell[3] + '(' + cell[5] + ')';
            ASSERT_EQ(expected.count(where), 1u) << where;
            EXPECT_TRUE(ReadFile(dir / "out" / cell[0]) == ForwardPicture(expected.at(where))) << rows[i];
        }
    }
}
