#pragma once

// Shared by the core tests: a scratch folder, whole-file reads and writes, children
// (lirovane-batch among them) and a display that shows nothing. Every test file works
// in the program's namespace and this one's.
#include "core/batch/image_batch.h"
#include "core/batch/quiet_display.h"
#include "core/render/bmp_export.h"
#include "core/render/null_canvas.h"
#include "core/render/path_renderer.h"
#include "core/render/raster_canvas.h"
#include "core/sequence/fasta_records.h"
#include "core/settings/app_settings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <limits>
#include <map>
#include <random>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace lirovane::test {

// The bundled sample: lambda phage, its trf output and the patterns file made from it.
inline const std::string kLambdaFa = LIROVANE_EXAMPLES "/lambda_phage.fa";
inline const std::string kLambdaDat = LIROVANE_EXAMPLES "/lambda_phage.trf.dat";
inline const std::string kLambdaPat = LIROVANE_EXAMPLES "/lambda_phage.pat";

// A fresh folder under the system's temporary folder, removed with its content.
class ScratchDir {
public:
    ScratchDir()
    {
        static int serial = 0;
        m_path = fs::temp_directory_path() /
                 ("lirovane-test-" + std::to_string(::getpid()) + "-" + std::to_string(serial++));
        fs::remove_all(m_path);
        fs::create_directories(m_path);
    }
    ~ScratchDir()
    {
        std::error_code ec;
        fs::remove_all(m_path, ec);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const fs::path& Path() const { return m_path; }
    fs::path operator/(std::string_view name) const { return m_path / name; }

private:
    fs::path m_path;
};

inline fs::path WriteFile(const fs::path& file, std::string_view content)
{
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    return file;
}

inline std::string ReadFile(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Every regular file under a folder with its bytes, by its path below it; the logs of
// RunBatch (stdout.txt, stderr.txt) left out.
inline std::map<std::string, std::string> Files(const fs::path& folder)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (const fs::path name = fs::relative(entry.path(), folder);
            entry.is_regular_file() && name != "stdout.txt" && name != "stderr.txt")
            files[name.string()] = ReadFile(entry.path());
    return files;
}

// The white-space separated words of `text`.
inline std::vector<std::string> Words(const std::string& text)
{
    std::istringstream in(text);
    return {std::istream_iterator<std::string>(in), {}};
}

// The lines of `text`, without their line ends.
inline std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// Runs `body` with `dir` as the working folder, as the window runs.
template <typename Body> auto InFolder(const fs::path& dir, Body body)
{
    const fs::path before = fs::current_path();
    fs::current_path(dir);
    struct Restore {
        fs::path path;
        ~Restore() { fs::current_path(path); }
    } restore{before};
    return body();
}

// Waits for a child: its exit status, or 128 + the signal that ended it.
inline int WaitFor(pid_t pid)
{
    int raw = 0;
    ::waitpid(pid, &raw, 0);
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
}

// Runs `body` in a child process; its status is what `body` returns.
inline int InChild(const std::function<int()>& body)
{
    const pid_t pid = ::fork();
    if (pid == 0)
        ::_exit(body());
    return WaitFor(pid);
}

// For the calling process: files end at `bytes`, and a write past it fails instead of
// ending the process.
inline void LimitFileSize(rlim_t bytes)
{
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{bytes, bytes};
    ::setrlimit(RLIMIT_FSIZE, &limit);
}

// Starts lirovane-batch with `args`, its output and errors into stdout.txt and stderr.txt
// of `dir`; `inChild` runs between fork and exec (limits, signal dispositions).
inline pid_t StartBatch(const fs::path& dir, const std::vector<std::string>& args,
                        const std::function<void()>& inChild = {})
{
    const fs::path out = dir / "stdout.txt";
    const fs::path err = dir / "stderr.txt";
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (inChild)
            inChild();
        if (!std::freopen(out.c_str(), "w", stdout) || !std::freopen(err.c_str(), "w", stderr))
            ::_exit(120);
        std::vector<char*> argv{const_cast<char*>(LIROVANE_BATCH_EXE)};
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(LIROVANE_BATCH_EXE, argv.data());
        ::_exit(121);
    }
    return pid;
}

struct RunResult {
    int status = -1; // exit status, or 128 + signal
    std::string out;
    std::string err;
};

inline RunResult RunBatch(const fs::path& dir, const std::vector<std::string>& args,
                          const std::function<void()>& inChild = {})
{
    const int status = WaitFor(StartBatch(dir, args, inChild));
    return {status, ReadFile(dir / "stdout.txt"), ReadFile(dir / "stderr.txt")};
}

// Runs lirovane-batch with the words of `line`, in `dir`: "@name" stands for dir/name,
// LAMBDA_FA, LAMBDA_PAT and LAMBDA_DAT for the sample's files.
inline RunResult RunLine(const ScratchDir& dir, const std::string& line, const std::function<void()>& inChild = {})
{
    const std::map<std::string, std::string> names = {
        {"LAMBDA_FA", kLambdaFa}, {"LAMBDA_PAT", kLambdaPat}, {"LAMBDA_DAT", kLambdaDat}};
    std::vector<std::string> args;
    for (const std::string& w : Words(line))
        args.push_back(w.starts_with('@') ? (dir / w.substr(1)).string() : names.count(w) != 0 ? names.at(w) : w);
    return RunBatch(dir.Path(), args, inChild);
}

// The records of a FASTA text.
inline std::vector<FastaRecord> Records(std::string_view text)
{
    ScratchDir dir;
    return ScanFastaRecords(WriteFile(dir / "g.fa", text)).value();
}

// Settings as the first run gives them, on `sequence`, with `count` repeats of `size` selected.
inline AppSettings FirstRun(const std::string& sequence, int count = 0, int size = 43)
{
    AppSettings settings;
    settings.SetFirstRunDefaults();
    settings.sequenceFile = sequence;
    settings.numberOfRepeatsInThisSet = count;
    settings.sizeOfRepeats = size;
    return settings;
}

// The BMP file a stretch gives when drawn and saved on its own, in the first run's style.
inline std::string ForwardPicture(std::string_view stretch)
{
    const PathStyle style = FirstRun({}).Style();
    const PathExtent extent = MeasurePath(stretch, style);
    RasterCanvas canvas(extent.width, extent.height);
    DrawPath(stretch, extent, style, canvas);
    ScratchDir dir;
    EXPECT_TRUE(SaveImage(dir / "expected.bmp", canvas, extent.width, extent.height));
    return ReadFile(dir / "expected.bmp");
}

// A made-up FASTA text about `bytes` long: records of 20 lines of 60 letters (A, C, G, T
// in both cases and N) under a header; every seventh line ends in CR LF. Stretches cross
// lines, headers and compressed blocks.
inline std::string Genome(std::size_t bytes)
{
    std::mt19937 random(11);
    std::string text;
    for (int record = 0; text.size() < bytes; ++record) {
        text += ">r" + std::to_string(record) + " part\n";
        for (int line = 0; line < 20; ++line) {
            for (int i = 0; i < 60; ++i)
                text.push_back("ACGTacgtN"[random() % 9]);
            text += line % 7 == 3 ? "\r\n" : "\n";
        }
    }
    return text;
}

// `gzip` or `bgzip` of `plain` into `packed`; without a tool, a plain copy.
inline fs::path Compress(const fs::path& plain, const fs::path& packed, const char* tool)
{
    if (tool == nullptr) {
        fs::copy_file(plain, packed);
        return packed;
    }
    const std::string command = std::string(tool) + " -c '" + plain.string() + "' > '" + packed.string() + "'";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    return packed;
}

} // namespace lirovane::test

using namespace lirovane;
using namespace lirovane::test;
