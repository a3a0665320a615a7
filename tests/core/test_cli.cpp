// lirovane-batch end to end: the program is run as a user would run it.
#include "test_support.h"

#include <sys/wait.h>

using namespace lirovane::test;

namespace {

struct RunResult {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs the program with the words of `args`, output and errors into `dir`.
RunResult RunBatch(const fs::path& dir, const std::string& args)
{
    const std::string command = std::string(LIROVANE_BATCH_EXE) + " " + args + " >" + (dir / "out.txt").string() +
                                " 2>" + (dir / "err.txt").string();
    const int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadFile(dir / "out.txt"), ReadFile(dir / "err.txt")};
}

} // namespace

TEST(Cli, DrawsTheSampleFromPatternsAndFromTrf)
{
    ScratchDir dir;
    const RunResult pat = RunBatch(dir.Path(), "--sequence " + kLambdaFa + " --patterns " + kLambdaPat +
                                                   " --size 6 --out " + (dir / "pat").string());
    ASSERT_EQ(pat.status, 0) << pat.err;
    EXPECT_NE(pat.err.find("24 of 24 repeats of size 6"), std::string::npos) << pat.err;
    EXPECT_NE(pat.err.find("24/24 pictures (100%)\n"), std::string::npos) << pat.err; // not a terminal: lines
    const auto files = Files(dir / "pat");
    EXPECT_EQ(files.size(), 24u + 3u); // pictures, starts.txt, ends.txt, index.htm
    EXPECT_TRUE(files.at("index.htm")
                    .starts_with("<html><body><br>Sequence file: " + kLambdaFa +
                                 "<br>\r\nConsensus size: 6<br>\r\nNumber of repeats: 24<br>\r\n"
                                 "<table><tr><td><center><a href=\"1165.bmp\">"));

    // The .dat file gives the same gallery, with or without the converted file written.
    for (const std::string& extra : {std::string(), " --write-patterns " + (dir / "converted.pat").string()}) {
        const fs::path out = dir / (extra.empty() ? "trf" : "trf-written");
        const RunResult trf = RunBatch(dir.Path(), "--sequence " + kLambdaFa + " --trf " + kLambdaDat +
                                                       " --size 6 --out " + out.string() + extra);
        ASSERT_EQ(trf.status, 0) << trf.err;
        EXPECT_EQ(Files(out), files) << extra;
    }
    EXPECT_EQ(Words(ReadFile(dir / "converted.pat")), Words(ReadFile(kLambdaPat)));
}

// Under orientation 2, A steps left and C steps right: each picture has its own slot's colour only.
TEST(Cli, ColoursGoToTheirSlots)
{
    ScratchDir dir;
    const RunResult run =
        RunBatch(dir.Path(), "--sequence " + WriteFile(dir / "s.fa", "AAAAx\nCCCC\n").string() + " --patterns " +
                                 WriteFile(dir / "p.pat", "1 5 4\n6 10 4\n").string() +
                                 " --size 4 --orientation 2 --colors '#010203,#040506,#070809,#0a0b0c' --out " +
                                 (dir / "out").string());
    ASSERT_EQ(run.status, 0) << run.err;
    for (const auto& [picture, own, other] : {std::tuple{"1.bmp", "\x03\x02\x01", "\x0c\x0b\x0a"}, // blue, green, red
                                              std::tuple{"6.bmp", "\x0c\x0b\x0a", "\x03\x02\x01"}}) {
        const std::string bytes = ReadFile(dir / "out" / picture);
        EXPECT_TRUE(bytes.find(own) != std::string::npos && bytes.find(other) == std::string::npos) << picture;
    }
}

TEST(Cli, BadInputAndExitStatus)
{
    ScratchDir dir;
    const std::string bad = WriteFile(dir / "bad.pat", "5 9 6\n10 20 2001\n30 40 6\n").string();
    const fs::path underFile = WriteFile(dir / "file", "x") / "sub";
    const std::map<std::string, std::string> words = {
        {"SEQ", kLambdaFa}, {"PAT", kLambdaPat}, {"TRF", kLambdaDat},        {"BAD", bad},
        {"DIR", dir.Path().string()}, {"OUT", (dir / "out").string()}, {"UNDERFILE", underFile.string()}};
    const struct { // upper-case words in args stand for the paths above
        const char* args;
        int status;
        std::string message;
    } cases[] = {
        {"", 2, "--sequence FILE is required"},
        {"--sequence SEQ --patterns PAT --size 0", 2, "--size must be"},
        {"--sequence SEQ --patterns PAT --size 2001", 2, "not '2001'"},
        {"--sequence SEQ --patterns PAT --size 6x", 2, "not '6x'"},
        {"--sequence SEQ --patterns PAT --size 6 --orientation 4", 2, "--orientation must be 1, 2 or 3"},
        {"--sequence SEQ --patterns PAT --size 6 --colors '#ff0000,#00ff00,#0000ff'", 2, "--colors must be"},
        {"--sequence SEQ --patterns PAT --trf TRF --size 6", 2, "exactly one of"},
        {"--sequence SEQ --frobnicate", 2, "unknown option '--frobnicate'"},
        {"--sequence /no/x.fa --patterns PAT --size 6 --out OUT", 1, "cannot read sequence file '/no/x.fa'"},
        {"--sequence SEQ --patterns /no/p.pat --size 6 --out OUT", 1, "cannot read patterns file '/no/p.pat'"},
        {"--sequence DIR --patterns PAT --size 6 --out OUT", 1, "is a folder"},
        {"--sequence SEQ --trf PAT --size 6 --out OUT", 1, "is not Tandem Repeats Finder .dat output"},
        {"--sequence SEQ --patterns BAD --size 6 --out OUT", 1,
         bad + ": record 2: size 2001 is outside 0 to 2000 (Invalid Starts, Ends and size file!)"},
        {"--sequence SEQ --patterns PAT --size 6 --out UNDERFILE", 1, "cannot create output folder"},
    };
    for (const auto& c : cases) {
        std::string args;
        for (const std::string& word : Words(c.args))
            args += " " + (words.count(word) != 0 ? words.at(word) : word);
        const RunResult run = RunBatch(dir.Path(), args);
        EXPECT_EQ(run.status, c.status) << c.args;
        EXPECT_TRUE(run.err.starts_with("lirovane-batch: ")) << run.err;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        // Nothing that passes for a result is left behind.
        EXPECT_FALSE(fs::exists(dir / "out" / "index.htm") || fs::exists(dir / "out" / "starts.txt")) << c.args;
    }

    // A picture that cannot be written fails the run but not the others.
    fs::create_directories(dir / "out" / "1165.bmp");
    const RunResult run = RunBatch(dir.Path(), "--sequence " + kLambdaFa + " --patterns " + kLambdaPat +
                                                   " --size 6 --out " + (dir / "out").string());
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("could not write picture '" + (dir / "out" / "1165.bmp").string() + "'"), std::string::npos);
    EXPECT_NE(run.err.find("23 pictures saved"), std::string::npos) << run.err;
    EXPECT_EQ(RunBatch(dir.Path(), "--help").out.find("Usage: lirovane-batch --sequence FILE (--patterns FILE | --trf"),
              0u);
}
