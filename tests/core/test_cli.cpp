// lirovane-batch end to end: the program is run as a user would run it.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const fs::path kExamples = LIROVANE_EXAMPLES;
const std::string kSequence = (kExamples / "lambda_phage.fa").string();
const std::string kPatterns = (kExamples / "lambda_phage.pat").string();
const std::string kTrf = (kExamples / "lambda_phage.trf.dat").string();

std::string ReadAll(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string Quote(const std::string& arg)
{
    std::string quoted = "'";
    for (const char c : arg)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

struct RunResult {
    int status = -1;
    std::string out;
    std::string err;
};

class CliTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        for (char& c : name)
            if (c == '/')
                c = '_';
        m_dir = fs::temp_directory_path() / ("lirovane_cli_" + std::to_string(::getpid()) + "_" + name);
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::remove_all(m_dir, ec);
    }

    RunResult Run(const std::vector<std::string>& args) const
    {
        std::string command = Quote(LIROVANE_BATCH_EXE);
        for (const std::string& arg : args)
            command.append(" ").append(Quote(arg));
        command.append(" >").append(Quote((m_dir / "stdout.txt").string()));
        command.append(" 2>").append(Quote((m_dir / "stderr.txt").string()));
        RunResult result;
        const int raw = std::system(command.c_str());
        result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        result.out = ReadAll(m_dir / "stdout.txt");
        result.err = ReadAll(m_dir / "stderr.txt");
        return result;
    }

    // Every file of a folder with its bytes.
    static std::map<std::string, std::string> Files(const fs::path& folder)
    {
        std::map<std::string, std::string> files;
        for (const auto& entry : fs::directory_iterator(folder))
            if (entry.is_regular_file())
                files[entry.path().filename().string()] = ReadAll(entry.path());
        return files;
    }

    fs::path m_dir;
};

TEST_F(CliTest, DrawsTheSampleFromPatternsAndFromTrf)
{
    const fs::path fromPat = m_dir / "pat";
    const RunResult pat = Run({"--sequence", kSequence, "--patterns", kPatterns, "--size", "6", "--out",
                               fromPat.string()});
    ASSERT_EQ(pat.status, 0) << pat.err;
    EXPECT_NE(pat.err.find("24 of 24 repeats of size 6"), std::string::npos) << pat.err;
    EXPECT_NE(pat.err.find((fromPat / "index.htm").string()), std::string::npos) << pat.err;
    // Not a terminal: progress as plain lines.
    EXPECT_NE(pat.err.find("24/24 pictures (100%)\n"), std::string::npos) << pat.err;

    const auto files = Files(fromPat);
    int pictures = 0;
    for (const auto& [name, bytes] : files) {
        if (name.ends_with(".bmp")) {
            ++pictures;
            EXPECT_EQ(bytes.substr(0, 2), "BM") << name;
        }
    }
    EXPECT_EQ(pictures, 24);
    EXPECT_EQ(files.size(), 24u + 3u); // pictures, starts.txt, ends.txt, index.htm
    EXPECT_EQ(files.at("starts.txt").substr(0, 12), "1165\r\n2011\r\n");
    const std::string& page = files.at("index.htm");
    EXPECT_TRUE(page.starts_with("<html><body><br>Sequence file: " + kSequence + "<br>\r\nConsensus size: 6<br>\r\n"));
    EXPECT_NE(page.find("Number of repeats: 24<br>\r\n<table><tr><td><center><a href=\"1165.bmp\">"),
              std::string::npos);

    // The .dat file gives the same gallery, with or without the converted file written.
    const fs::path converted = m_dir / "converted.pat";
    for (const bool writePatterns : {false, true}) {
        SCOPED_TRACE(writePatterns);
        const fs::path fromTrf = m_dir / (writePatterns ? "trf_written" : "trf");
        std::vector<std::string> args = {"--sequence", kSequence, "--trf", kTrf, "--size", "6",
                                         "--out", fromTrf.string()};
        if (writePatterns) {
            args.push_back("--write-patterns");
            args.push_back(converted.string());
        }
        const RunResult trf = Run(args);
        ASSERT_EQ(trf.status, 0) << trf.err;
        EXPECT_EQ(Files(fromTrf), files);
    }
    std::istringstream written(ReadAll(converted));
    std::istringstream bundled(ReadAll(kPatterns));
    EXPECT_EQ(std::vector<long>(std::istream_iterator<long>(written), {}),
              std::vector<long>(std::istream_iterator<long>(bundled), {}));
}

TEST_F(CliTest, ColoursGoToTheirSlots)
{
    // Under orientation 2, A steps left and C steps right.
    std::ofstream(m_dir / "s.fa") << "AAAAx\nCCCC\n";
    std::ofstream(m_dir / "p.pat") << "1 5 4\n6 10 4\n";
    const std::string colours = "#010203,#040506,#070809,#0a0b0c";
    const RunResult run = Run({"--sequence", (m_dir / "s.fa").string(), "--patterns", (m_dir / "p.pat").string(),
                               "--size", "4", "--orientation", "2", "--colors", colours, "--out",
                               (m_dir / "out").string()});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string left = ReadAll(m_dir / "out" / "1.bmp");
    const std::string right = ReadAll(m_dir / "out" / "6.bmp");
    EXPECT_NE(left.find("\x03\x02\x01"), std::string::npos);
    EXPECT_EQ(left.find("\x0c\x0b\x0a"), std::string::npos);
    EXPECT_NE(right.find("\x0c\x0b\x0a"), std::string::npos);
    EXPECT_EQ(right.find("\x03\x02\x01"), std::string::npos);
}

TEST_F(CliTest, RefusesBadInput)
{
    std::ofstream(m_dir / "bad.pat") << "5 9 6\n10 20 2001\n30 40 6\n";
    std::ofstream(m_dir / "file") << "x";
    const std::string bad = (m_dir / "bad.pat").string();
    const std::string out = (m_dir / "out").string();
    struct Case {
        const char* name;
        std::vector<std::string> args;
        int status;
        std::string message;
    };
    const Case cases[] = {
        {"no arguments", {}, 2, "--sequence FILE is required"},
        {"size 0", {"--sequence", kSequence, "--patterns", kPatterns, "--size", "0"}, 2, "--size must be"},
        {"size 2001", {"--sequence", kSequence, "--patterns", kPatterns, "--size", "2001"}, 2, "not '2001'"},
        {"size not a number", {"--sequence", kSequence, "--patterns", kPatterns, "--size", "6x"}, 2, "not '6x'"},
        {"orientation 4", {"--sequence", kSequence, "--patterns", kPatterns, "--size", "6", "--orientation", "4"},
         2, "--orientation must be 1, 2 or 3"},
        {"three colours", {"--sequence", kSequence, "--patterns", kPatterns, "--size", "6", "--colors",
                           "#ff0000,#00ff00,#0000ff"}, 2, "--colors must be"},
        {"both inputs", {"--sequence", kSequence, "--patterns", kPatterns, "--trf", kTrf, "--size", "6"}, 2,
         "exactly one of"},
        {"unknown option", {"--sequence", kSequence, "--frobnicate"}, 2, "unknown option '--frobnicate'"},
        {"missing sequence", {"--sequence", "/nonexistent/x.fa", "--patterns", kPatterns, "--size", "6",
                              "--out", out}, 1, "cannot read sequence file '/nonexistent/x.fa'"},
        {"missing patterns", {"--sequence", kSequence, "--patterns", "/nonexistent/p.pat", "--size", "6",
                              "--out", out}, 1, "cannot read patterns file '/nonexistent/p.pat'"},
        {"sequence is a folder", {"--sequence", m_dir.string(), "--patterns", kPatterns, "--size", "6",
                                  "--out", out}, 1, "is a folder"},
        {"patterns as trf", {"--sequence", kSequence, "--trf", kPatterns, "--size", "6", "--out", out}, 1,
         "is not Tandem Repeats Finder .dat output"},
        {"rejected patterns", {"--sequence", kSequence, "--patterns", bad, "--size", "6", "--out", out}, 1,
         bad + ": record 2: size 2001 is outside 0 to 2000 (Invalid Starts, Ends and size file!)"},
        {"output under a file", {"--sequence", kSequence, "--patterns", kPatterns, "--size", "6", "--out",
                                 (m_dir / "file" / "sub").string()}, 1, "cannot create output folder"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const RunResult run = Run(c.args);
        EXPECT_EQ(run.status, c.status);
        EXPECT_TRUE(run.err.starts_with("lirovane-batch: ")) << run.err;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        // Nothing that passes for a result is left behind.
        EXPECT_FALSE(fs::exists(m_dir / "out" / "index.htm"));
        EXPECT_FALSE(fs::exists(m_dir / "out" / "starts.txt"));
    }
}

TEST_F(CliTest, ReportsPicturesThatCannotBeWritten)
{
    const fs::path out = m_dir / "out";
    fs::create_directories(out / "1165.bmp");
    const RunResult run = Run({"--sequence", kSequence, "--patterns", kPatterns, "--size", "6", "--out",
                               out.string()});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("could not write picture '" + (out / "1165.bmp").string() + "'"), std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("23 pictures saved"), std::string::npos) << run.err;
}

TEST_F(CliTest, PrintsHelp)
{
    const RunResult run = Run({"--help"});
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("Usage: lirovane-batch --sequence FILE (--patterns FILE | --trf FILE.dat) --size N"),
              std::string::npos);
}

} // namespace
