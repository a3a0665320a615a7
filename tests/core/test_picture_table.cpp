// The table of pictures (lirovane-batch --table): rows in the genome's own coordinates,
// and the .dat's columns beside them.
#include "core/batch/picture_table.h"

#include "test_support.h"

namespace {

// Two records: chr1's 14 bases are positions 17 to 30 (its header has 16 non-blank
// characters), chr2's header is 31 to 35 and its 12 bases 36 to 47.
constexpr std::string_view kTwoRecords = ">chr1 first record\nACGTACGTAC\nGGCC\n>chr2\nTTTTAAAACCCC\n";

// Tandem Repeats Finder output for it: two repeats of size 2 in chr2 overlap (bases
// 8-11 and 9-12), so their picture runs from the later start to the earlier end.
constexpr std::string_view kTwoRecordsDat = "Tandem Repeats Finder Program written by:\n\n"
                                            "Sequence: chr1 first record\n\nParameters: 2 7 7 80 10 50 500\n\n"
                                            "1 5 4 1.2 4 100 0 10 40 20 20 20 1.92 ACGT ACGTA\n"
                                            "10 14 2 2.5 2 80 0 12 0 60 40 0 0.97 GC CGGCC\n\n"
                                            "Sequence: chr2\n\nParameters: 2 7 7 80 10 50 500\n\n"
                                            "1 4 1 4.0 1 100 0 8 0 0 0 100 0.00 T TTTT\n"
                                            "8 11 2 2.0 2 100 0 8 25 75 0 0 0.81 AC ACCC\n"
                                            "9 12 2 2.0 2 100 0 8 0 100 0 0 0.00 CC CCCC\n";

} // namespace

TEST(PictureTable, RowsNameRecordsAndBases)
{
    const PictureTable table(Records(kTwoRecords));
    const struct {
        DrawnPicture drawn;
        const char* row; // after the picture column, without the size
        const char* what;
    } cases[] = {
        {{17, 21}, "chr1\t1\t5", "a repeat at the record's first base"},
        {{17, 17}, "chr1\t1\t1", "a one-base picture"},
        {{26, 30}, "chr1\t10\t14", "a repeat ending at the record's last base"},
        {{26, 31}, "chr1\t10\t14", "an end on the next header counts from the last base before it"},
        {{36, 47}, "chr2\t1\t12", "the whole second record"},
        {{40, 48}, "chr2\t5\t12", "an end one past the file's last character"},
        {{33, 38}, "chr2\t1\t3", "a start on a header line counts from the next record's first base"},
        {{28, 37}, "chr1\t12\tchr2:2", "an end in a later record is named with it"},
        {{1, 10}, "\t\t", "a picture of header characters only has no bases"},
        {{32, 34}, "\t\t", "within one header line: no bases either"},
    };
    EXPECT_EQ(table.Header(), "picture\trecord\tstart\tend\tsize\n");
    for (const auto& c : cases)
        EXPECT_EQ(table.Row("p.bmp", c.drawn, 7), "p.bmp\t" + std::string(c.row) + "\t7\n") << c.what;
}

TEST(PictureTable, GalleryRowsSkipUnsavedPicturesAndMatchTheDat)
{
    const auto records = Records(kTwoRecords);
    std::vector<TrfRepeat> repeats = {
        {{17, 21, 4}, "4", "1.2", "10", "ACGT"},
        {{17, 21, 4}, "8", "0.6", "3", "ACGTACGT"}, // the same positions again: the first one counts
        {{17, 21, 5}, "5", "1.0", "9", "ACGTA"},    // another size
        {{36, 40, 4}, "4", "1.0", "8", "TTTT"},
    };
    const PictureTable table(records, repeats);
    EXPECT_EQ(table.Header(), "picture\trecord\tstart\tend\tsize\tperiod\tcopies\tscore\tconsensus\n");

    BatchResult result;
    result.drawn = {{17, 21}, {26, 30}, {36, 40}};
    result.pictures = 3;
    result.errors = {{RunItem::Picture, IoError::Plain("")}};
    result.errors.front().error.file = "g/26.png";
    EXPECT_EQ(table.GalleryRows(result, 4, PictureFormat::Png, "size-4/"),
              "size-4/17.png\tchr1\t1\t5\t4\t4\t1.2\t10\tACGT\n"
              "size-4/36.png\tchr2\t1\t5\t4\t4\t1.0\t8\tTTTT\n");
    // A picture no repeat of its size explains keeps its place with empty .dat columns.
    EXPECT_EQ(table.GalleryRows(result, 3, PictureFormat::Bmp, ""),
              "17.bmp\tchr1\t1\t5\t3\t\t\t\t\n26.bmp\tchr1\t10\t14\t3\t\t\t\t\n36.bmp\tchr2\t1\t5\t3\t\t\t\t\n");
}

// The whole program on the hand-built genome: several sizes share one table, and a
// patterns file gives no .dat columns.
TEST(PictureTable, BatchWritesOneTableForEveryGallery)
{
    ScratchDir dir;
    WriteFile(dir / "two.fa", kTwoRecords);
    WriteFile(dir / "two.dat", kTwoRecordsDat);
    RunResult run = RunLine(dir, "--sequence @two.fa --trf @two.dat --size 1,2,4 --out @g --table @t.tsv");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(ReadFile(dir / "t.tsv"), "picture\trecord\tstart\tend\tsize\tperiod\tcopies\tscore\tconsensus\n"
                                       "size-1/36.bmp\tchr2\t1\t4\t1\t1\t4.0\t8\tT\n"
                                       "size-2/26.bmp\tchr1\t10\t14\t2\t2\t2.5\t12\tGC\n"
                                       "size-2/44.bmp\tchr2\t9\t11\t2\t\t\t\t\n"
                                       "size-4/17.bmp\tchr1\t1\t5\t4\t4\t1.2\t10\tACGT\n");

    WriteFile(dir / "two.pat", "26 30 2\n43 46 2\n36 40 3\n44 48 2\n");
    run = RunLine(dir, "--sequence @two.fa --patterns @two.pat --size 2 --format svg --out @p --table @p.tsv");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(ReadFile(dir / "p.tsv"), "picture\trecord\tstart\tend\tsize\n"
                                       "26.svg\tchr1\t10\t14\t2\n"
                                       "44.svg\tchr2\t9\t11\t2\n");
    // Without --table every output is what it was: no table appears anywhere.
    ASSERT_EQ(RunLine(dir, "--sequence @two.fa --patterns @two.pat --size 2 --format svg --out @q").status, 0);
    EXPECT_EQ(Files(dir / "q"), Files(dir / "p"));
    // A table that cannot be written fails the run, naming it; the gallery is still made.
    run = RunLine(dir, "--sequence @two.fa --patterns @two.pat --size 2 --out @r --table @none/t.tsv");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("cannot write table '" + (dir / "none" / "t.tsv").string() + "'"), std::string::npos)
        << run.err;
    EXPECT_TRUE(fs::exists(dir / "r" / "index.htm"));
}
