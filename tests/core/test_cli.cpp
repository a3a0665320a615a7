// lirovane-batch end to end: the program is run as a user would run it.
#include "test_support.h"

TEST(Cli, DrawsTheSampleFromPatternsAndFromTrf)
{
    ScratchDir dir;
    const RunResult pat = RunLine(dir, "--sequence LAMBDA_FA --patterns LAMBDA_PAT --size 6 --out @pat");
    ASSERT_EQ(pat.status, 0) << pat.err;
    EXPECT_NE(pat.err.find("24 of 24 repeats of size 6"), std::string::npos) << pat.err;
    EXPECT_NE(pat.err.find("24/24 pictures (100%)\n"), std::string::npos) << pat.err; // not a terminal: lines
    const auto files = Files(dir / "pat");
    EXPECT_EQ(files.size(), 24u + 3u); // pictures, starts.txt, ends.txt, index.htm
    EXPECT_TRUE(files.at("index.htm")
                    .starts_with("<html><body><br>Sequence file: " + kLambdaFa +
                                 "<br>\r\nConsensus size: 6<br>\r\nNumber of repeats: 24<br>\r\n"
                                 "<table><tr><td><center><a href=\"1165.bmp\">"));

    // The .dat file gives the same gallery, with or without the converted file written, and
    // so does trf -ngs output (no credit header, "@name" lines, two flank fields). An empty
    // one, what trf writes for a sequence without repeats, selects nothing.
    std::string ngs;
    for (const std::string& line : Lines(ReadFile(kLambdaDat))) {
        if (line.starts_with("Sequence: "))
            ngs.append("@").append(line, 10).append("\n");
        else if (!line.empty() && std::isdigit(static_cast<unsigned char>(line[0])) != 0)
            ngs += line + " ACGT .\n";
    }
    WriteFile(dir / "lambda.ngs", ngs);
    for (const std::string trf : {"LAMBDA_DAT --out @trf", "LAMBDA_DAT --out @written --write-patterns @converted.pat",
                                  "@lambda.ngs --out @ngs"}) {
        const RunResult run = RunLine(dir, "--sequence LAMBDA_FA --size 6 --trf " + trf);
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(Files(dir / Words(trf)[2].substr(1)), files) << trf;
    }
    EXPECT_EQ(Words(ReadFile(dir / "converted.pat")), Words(ReadFile(kLambdaPat)));
    WriteFile(dir / "empty.ngs", "");
    const RunResult empty = RunLine(dir, "--sequence LAMBDA_FA --trf @empty.ngs --size 2-3 --out @empty");
    ASSERT_EQ(empty.status, 0) << empty.err;
    EXPECT_NE(empty.err.find("size 3: no repeats of this size"), std::string::npos) << empty.err;
}

// Under orientation 2, A steps left and C steps right: each picture has its own slot's colour only.
TEST(Cli, ColoursGoToTheirSlots)
{
    ScratchDir dir;
    WriteFile(dir / "s.fa", "AAAAx\nCCCC\n");
    WriteFile(dir / "p.pat", "1 5 4\n6 10 4\n");
    const RunResult run = RunLine(
        dir, "--sequence @s.fa --patterns @p.pat --size 4 --orientation 2 --colors #010203,#040506,#070809,#0a0b0c "
             "--out @out");
    ASSERT_EQ(run.status, 0) << run.err;
    for (const auto& [picture, own, other] : {std::tuple{"1.bmp", "\x03\x02\x01", "\x0c\x0b\x0a"}, // blue, green, red
                                              std::tuple{"6.bmp", "\x0c\x0b\x0a", "\x03\x02\x01"}}) {
        const std::string bytes = ReadFile(dir / "out" / picture);
        EXPECT_TRUE(bytes.find(own) != std::string::npos && bytes.find(other) == std::string::npos) << picture;
    }
}

namespace {

// Arguments ("@name" stands for dir/name, "@" for dir itself), the exit status and the
// message, in which "@" stands for dir/ too.
const struct {
    const char* args;
    int status;
    const char* message;
} kBadInput[] = {
    {"", 2, "--sequence FILE is required"},
    {"--sequence LAMBDA_FA --patterns LAMBDA_PAT --size 0", 2, "--size must be"},
    {"--sequence LAMBDA_FA --patterns LAMBDA_PAT --size 2001", 2, "2,5-7: '2001' is out of range"},
    {"--sequence LAMBDA_FA --patterns LAMBDA_PAT --size 6x", 2, "2,5-7: '6x' is not a whole number"},
    {"--sequence LAMBDA_FA --patterns LAMBDA_PAT --size 2-", 2, "the range '2-' needs a size on both sides"},
    {"--sequence LAMBDA_FA --patterns LAMBDA_PAT --size 5-3", 2, "the range '5-3' runs backwards"},
    {"--sequence LAMBDA_FA --patterns LAMBDA_PAT --size 2,a", 2, "'a' is not a whole number"},
    {"--sequence LAMBDA_FA --patterns LAMBDA_PAT --size 2,,3", 2, "a size is missing"},
    {"--sequence LAMBDA_FA --patterns LAMBDA_PAT --size 2-2001", 2, "'2001' is out of range"},
    {"--sequence LAMBDA_FA --patterns LAMBDA_PAT --size 99999999999999999999", 2, "9' is out of range"},
    {"--sequence LAMBDA_FA --patterns @bad.pat --size 6-7 --out @out", 1, "line 2: size 2001 is outside 0 to 2000"},
    {"--sequence LAMBDA_FA --patterns LAMBDA_PAT --size 6 --orientation 4", 2, "--orientation must be 1, 2 or 3"},
    {"--sequence LAMBDA_FA --patterns LAMBDA_PAT --size 6 --colors #ff0000,#00ff00,#0000ff", 2, "--colors must be"},
    {"--sequence LAMBDA_FA --patterns LAMBDA_PAT --trf LAMBDA_DAT --size 6", 2, "exactly one of"},
    {"--sequence LAMBDA_FA --frobnicate", 2, "unknown option '--frobnicate'"},
    // Control characters come back escaped: the message stays one line of text.
    {"--sequence LAMBDA_FA --frob\x1b[2J\a", 2, "unknown option '--frob\\x1B[2J\\x07'"},
    {"--sequence LAMBDA_FA --patterns LAMBDA_PAT --size 6 --format gif", 2, "--format must be bmp, png or svg, not 'gif'"},
    {"--sequence /no/x.fa --patterns LAMBDA_PAT --size 6 --out @out", 1, "cannot read sequence file '/no/x.fa'"},
    {"--sequence LAMBDA_FA --patterns /no/p.pat --size 6 --out @out", 1, "cannot read patterns file '/no/p.pat'"},
    {"--sequence @ --patterns LAMBDA_PAT --size 6 --out @out", 1, "is a folder"},
    {"--sequence LAMBDA_FA --trf LAMBDA_PAT --size 6 --out @out", 1, "is not Tandem Repeats Finder .dat output"},
    {"--sequence LAMBDA_FA --patterns @bad.pat --size 6 --out @out", 1,
     "@bad.pat: line 2: size 2001 is outside 0 to 2000 (Invalid Starts, Ends and size file!)"},
    {"--sequence LAMBDA_FA --patterns LAMBDA_PAT --size 6 --out @file/sub", 1,
     "cannot create output folder '@file/sub': Not a directory"},
};

} // namespace

TEST(Cli, BadInputAndExitStatus)
{
    ScratchDir dir;
    WriteFile(dir / "bad.pat", "5 9 6\n10 20 2001\n30 40 6\n");
    WriteFile(dir / "file", "x");
    for (const auto& c : kBadInput) {
        const RunResult run = RunLine(dir, c.args);
        EXPECT_EQ(run.status, c.status) << c.args;
        EXPECT_TRUE(run.err.starts_with("lirovane-batch: ")) << run.err;
        const std::string message = std::regex_replace(c.message, std::regex("@"), dir.Path().string() + "/");
        EXPECT_NE(run.err.find(message), std::string::npos) << run.err;
        // Nothing that passes for a result is left behind.
        EXPECT_FALSE(fs::exists(dir / "out" / "index.htm") || fs::exists(dir / "out" / "starts.txt") ||
                     fs::exists(dir / "out" / "size-6" / "starts.txt"))
            << c.args;
    }

    // A picture that cannot be written fails the run but not the others, in every format.
    for (const std::string format : {"bmp", "png", "svg"}) {
        const fs::path out = dir / ("out-" + format);
        fs::create_directories(out / ("1165." + format));
        const RunResult run = RunLine(dir, "--sequence LAMBDA_FA --patterns LAMBDA_PAT --size 6 --format " + format +
                                               " --out @out-" + format);
        EXPECT_EQ(run.status, 1) << format;
        EXPECT_NE(run.err.find("cannot write picture '" + (out / ("1165." + format)).string() + "'"),
                  std::string::npos)
            << run.err;
        EXPECT_NE(run.err.find("23 pictures saved"), std::string::npos) << run.err;
        // Only whole pictures are left: 23, the blocked folder, the page and the position files.
        std::size_t pictures = 0;
        for (const auto& entry : fs::directory_iterator(out))
            pictures += entry.is_regular_file() && entry.path().extension() == "." + format;
        EXPECT_EQ(pictures, 23u) << format;
    }
    EXPECT_EQ(RunLine(dir, "--help").out.find("Usage: lirovane-batch --sequence FILE (--patterns FILE | --trf"), 0u);
    EXPECT_EQ(RunLine(dir, "--view LAMBDA_FA --help").out.find("usage: lirovane-batch --view FILE"), 0u);
}

// Several sizes in one read: each size's folder is byte for byte the gallery of a run of
// that size alone, however the repeats of different sizes overlap, nest or touch.
TEST(Cli, SeveralSizesMatchSingleRuns)
{
    ScratchDir dir;
    const std::string sequence =
        WriteFile(dir / "s.fa", ">s one\nACGTTGCAACGGTACCATGCAGTCAGTTACGATCGGATCCAGTAGCTAGGCTAGCATCGATCAGG\n");
    const struct {
        const char* patterns;
        const char* sizes;
    } cases[] = {
        // nested, sharing a start, sharing an end, one ending where another starts
        {"7 30 2\n7 20 3\n10 30 4\n20 25 2\n25 40 3\n12 14 4\n", "2-4"},
        // the same position as a start and an end, an end one past the last token, an end before any start
        {"9 9 2\n50 72 3\n5 3 4\n60 72 2\n3 5 4\n", "2,3,4"},
        // more galleries than one read of the sequence serves
        {"10 40 1\n20 30 200\n25 35 201\n12 50 205\n", "1-205"},
        // a second start of one size inside a stretch of another, sizes without repeats
        {"10 40 5\n20 30 6\n25 35 5\n", "1,5-6,9"},
    };
    for (const auto& c : cases) {
        WriteFile(dir / "p.pat", c.patterns);
        fs::remove_all(dir / "multi");
        const RunResult multi = RunLine(dir, "--sequence @s.fa --patterns @p.pat --size " + std::string(c.sizes) +
                                                 " --out @multi --summary @sum.tsv");
        ASSERT_EQ(multi.status, 0) << multi.err;
        const std::vector<std::string> rows = Words(ReadFile(dir / "sum.tsv"));
        for (std::size_t row = 1; row * 5 < rows.size(); ++row) {
            const std::string size = rows[row * 5];
            if (rows[row * 5 + 1] == "0" && size.size() > 1)
                continue; // the empty galleries of a long list are alike
            fs::remove_all(dir / "single");
            const RunResult single =
                RunLine(dir, "--sequence @s.fa --patterns @p.pat --size " + size + " --out @single");
            // A size whose repeats all lie past the sequence drew none: a failure on its own.
            const bool drewNone = rows[row * 5 + 1] != "0" && rows[row * 5 + 2] == "0";
            ASSERT_EQ(single.status, drewNone ? 1 : 0) << single.err;
            EXPECT_EQ(Files(dir / "multi" / ("size-" + size)), Files(dir / "single")) << c.patterns << size;
            EXPECT_EQ(rows[row * 5 + 4], "size-" + size + "/index.htm");
            if (rows[row * 5 + 1] == "0") {
                EXPECT_NE(multi.err.find("size " + size + ": no repeats of this size"), std::string::npos);
            }
        }
    }
    // The last case: sizes 1, 5, 6 and 9; pictures 10 and 25 of size 5 (the second start
    // restarts the stretch: one picture of 10 characters), 20 of size 6.
    EXPECT_EQ(ReadFile(dir / "sum.tsv"), "size\trepeats\tpictures\tbases\tpage\n"
                                         "1\t0\t0\t0\tsize-1/index.htm\n"
                                         "5\t2\t1\t10\tsize-5/index.htm\n"
                                         "6\t1\t1\t10\tsize-6/index.htm\n"
                                         "9\t0\t0\t0\tsize-9/index.htm\n");
    EXPECT_EQ(ReadFile(dir / "multi" / "index.htm"),
              "<html><body><br>Sequence file: " + sequence +
                  "<br>\r\nGalleries: 4<br>\r\n<table>\r\n"
                  "<tr><td><a href=\"size-1/index.htm\">Consensus size 1</a></td><td>no repeats</td></tr>\r\n"
                  "<tr><td><a href=\"size-5/index.htm\">Consensus size 5</a></td><td>2 repeats</td></tr>\r\n"
                  "<tr><td><a href=\"size-6/index.htm\">Consensus size 6</a></td><td>1 repeat</td></tr>\r\n"
                  "<tr><td><a href=\"size-9/index.htm\">Consensus size 9</a></td><td>no repeats</td></tr>\r\n"
                  "</table></body></html>");
    EXPECT_EQ(Files(dir / "multi" / "size-9").at("index.htm"),
              "<html><body><br>Sequence file: " + sequence +
                  "<br>\r\nConsensus size: 9<br>\r\nNumber of repeats: 0<br>\r\n<table><tr></table></body></html>");
}

// The sample from a .dat file in several sizes; the overview page escapes the file name;
// a size list naming one size keeps the gallery in the output folder itself.
TEST(Cli, SeveralSizesOfTheSample)
{
    ScratchDir dir;
    const fs::path odd = dir / "a&b<c>.fa";
    fs::copy_file(kLambdaFa, odd);
    const RunResult run = RunLine(dir, "--sequence @a&b<c>.fa --trf LAMBDA_DAT --size 3,5-6 --out @multi");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("size 6: 24 of 24 repeats drawn, 24 pictures saved"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("3 sizes, 47 pictures; overview " + (dir / "multi" / "index.htm").string()),
              std::string::npos)
        << run.err;
    EXPECT_NE(ReadFile(dir / "multi" / "index.htm")
                  .find("Sequence file: " + dir.Path().string() + "/a&amp;b&lt;c&gt;.fa<br>"),
              std::string::npos);
    EXPECT_EQ(Files(dir / "multi" / "size-5").size(), 14u + 3u);

    const RunResult one = RunLine(dir, "--sequence LAMBDA_FA --trf LAMBDA_DAT --size 6,6-6 --out @one");
    ASSERT_EQ(one.status, 0) << one.err;
    EXPECT_EQ(Files(dir / "one").size(), 24u + 3u);
}
