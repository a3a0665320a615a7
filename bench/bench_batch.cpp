// The command line's image batch as the user runs it: the real lirovane-batch as a
// child process, timed from start to exit, beside references measured in the same run.
//
//  (1) A handful of pictures from a large single-record sequence, against a plain SSE2
//      count of the file's non-blank bytes (also a child process, reading 1 MiB blocks).
//  (2) Thousands of small pictures, against a plain C loop (a forked child) that only
//      creates and writes files of the same names and bytes.
//  (3) Peak memory of the batch on the large file against a 5 MB one.
//
//   bench_batch [--mb N] [--pictures N] [--rounds N] [--batch PATH] [--dir DIR]
//               [--sample FASTA PATTERNS SIZE]
//
// --batch defaults to the lirovane-batch built with this bench; --dir to the system's
// temporary folder (TMPDIR); --sample adds case (2) on a real genome, for example the
// MAL14 sample at size 2. Every figure is the best of --rounds runs (default 5), the
// cases interleaved so that load on a shared machine hits them alike.
#include "child_process.h"

#include <emmintrin.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

using bench::ChildRun;
using bench::CpuSeconds;
using bench::Spawn;
using Best = bench::ChildRun;

double Seconds(Clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

[[noreturn]] void Die(const std::string& what)
{
    std::fprintf(stderr, "bench_batch: %s\n", what.c_str());
    std::exit(1);
}

// A single record of random bases in 60-column lines.
void WriteSequence(const fs::path& file, std::uint64_t bytes)
{
    std::FILE* out = std::fopen(file.c_str(), "wb");
    if (!out)
        Die("cannot write " + file.string());
    const std::string header = ">bench synthetic chromosome\n";
    std::fwrite(header.data(), 1, header.size(), out);
    std::mt19937_64 random(42);
    std::string line(61, '\n');
    std::uint64_t written = header.size();
    while (written < bytes) {
        for (std::size_t i = 0; i < 60; i += 30) {
            std::uint64_t r = random();
            for (std::size_t j = 0; j < 30; ++j, r >>= 2)
                line[i + j] = "ACGT"[r & 3];
        }
        std::fwrite(line.data(), 1, line.size(), out);
        written += line.size();
    }
    std::fclose(out);
}

// `repeats` repeats of `size` spread evenly over the positions, each 40 to 200 letters
// long, the last one close to the end; every other record has another size and is not drawn.
void WritePatterns(const fs::path& file, std::uint64_t tokens, int repeats, int size)
{
    std::ofstream out(file, std::ios::binary);
    const std::uint64_t spacing = (tokens - 2000) / static_cast<std::uint64_t>(repeats);
    for (int i = 0; i < repeats; ++i) {
        const std::uint64_t start =
            100 + spacing * static_cast<std::uint64_t>(i + 1) - std::min<std::uint64_t>(spacing, 300);
        out << start << ' ' << start + 40 + static_cast<std::uint64_t>(i % 161) << ' ' << size << "\r\n";
        out << start + 7 << ' ' << start + 30 << ' ' << size + 1 << "\r\n";
    }
}

struct OutputFile {
    std::string name;
    std::string bytes;
};

// What a batch left in `dir`: every file with its bytes.
std::vector<OutputFile> ReadOutputs(const fs::path& dir)
{
    std::vector<OutputFile> files;
    for (const auto& entry : fs::directory_iterator(dir)) {
        std::ifstream in(entry.path(), std::ios::binary);
        files.push_back({entry.path().filename().string(), std::string(std::istreambuf_iterator<char>(in), {})});
    }
    return files;
}

// The file-creation floor: a forked child that creates and writes the same files with
// open, write and close, nothing else.
ChildRun WriteFilesPlainly(const std::vector<OutputFile>& files, const fs::path& dir)
{
    const auto t0 = Clock::now();
    const pid_t child = fork();
    if (child == 0) {
        for (const OutputFile& f : files) {
            const std::string path = (dir / f.name).string();
            const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
            if (fd < 0 || ::write(fd, f.bytes.data(), f.bytes.size()) != static_cast<ssize_t>(f.bytes.size()) ||
                ::close(fd) != 0)
                _exit(1);
        }
        _exit(0);
    }
    int status = 0;
    rusage usage{};
    if (child < 0 || wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        Die("plain file writer failed");
    return {Seconds(Clock::now() - t0), CpuSeconds(usage), usage.ru_maxrss};
}

void Fresh(const fs::path& dir)
{
    fs::remove_all(dir);
    fs::create_directories(dir);
}

std::vector<std::string> BatchArgs(const std::string& batch, const fs::path& sequence, const fs::path& patterns,
                                   int size, const fs::path& out)
{
    return {batch,    "--sequence",         sequence.string(), "--patterns", patterns.string(),
            "--size", std::to_string(size), "--out",           out.string()};
}

int Pictures(const fs::path& dir)
{
    int n = 0;
    for (const auto& entry : fs::directory_iterator(dir))
        n += entry.path().extension() == ".bmp";
    return n;
}

// Case (2): the batch against the plain loop writing what the batch wrote.
void ManyPictures(const char* label, const std::string& batch, const fs::path& sequence, const fs::path& patterns,
                  int size, const fs::path& work, int rounds)
{
    const fs::path out = work / "many";
    const fs::path plain = work / "plain";
    Fresh(out);
    Spawn(BatchArgs(batch, sequence, patterns, size, out));
    const std::vector<OutputFile> files = ReadOutputs(out);
    std::uint64_t bytes = 0;
    for (const OutputFile& f : files)
        bytes += f.bytes.size();

    Best best;
    Best floor;
    for (int round = 0; round < rounds; ++round) {
        Fresh(out);
        best.Best(Spawn(BatchArgs(batch, sequence, patterns, size, out)));
        Fresh(plain);
        floor.Best(WriteFilesPlainly(files, plain));
    }
    const int pictures = Pictures(out);
    std::printf("(2) %s: %d pictures, %zu files, %.1f MB\n", label, pictures, files.size(),
                static_cast<double>(bytes) / (1 << 20));
    std::printf("    lirovane-batch %.3f s, CPU %.3f s (%.1f us a picture); plain create+write loop %.3f s, "
                "CPU %.3f s (%.1f us a file)\n",
                best.seconds, best.cpu, best.cpu * 1e6 / pictures, floor.seconds, floor.cpu,
                floor.cpu * 1e6 / static_cast<double>(files.size()));
    std::printf("    ratio batch / plain loop: %.2f wall, %.2f CPU (target <= 1.5)\n", best.seconds / floor.seconds,
                best.cpu / floor.cpu);
}

// (1): a handful of pictures from the big file against counting its bytes; returns the batch's
// peak memory on the big and the small file, for (3).
std::pair<long, long> AgainstCount(const std::string& self, const std::string& batch, const fs::path& work,
                                   int size, int rounds, double mb)
{
    const fs::path big = work / "big.fa";
    const fs::path small = work / "small.fa";
    // The page cache is warm from writing and counting.
    const fs::path few = work / "few";
    Best count;
    Best heapCount;
    Best handful;
    long bigPeak = 0;
    for (int round = 0; round < rounds; ++round) {
        count.Best(Spawn({self, "--count", big.string()}));
        heapCount.Best(Spawn({self, "--count-heap", big.string()}));
        Fresh(few);
        const ChildRun run = Spawn(BatchArgs(batch, big, work / "big.pat", size, few));
        handful.Best(run);
        bigPeak = run.peakKiB;
    }
    const fs::path smallOut = work / "small";
    Fresh(smallOut);
    const long smallPeak = Spawn(BatchArgs(batch, small, work / "small.pat", size, smallOut)).peakKiB;
    std::printf("(1) %d pictures: lirovane-batch %.4f s, CPU %.4f s (%.0f MB/s); SSE2 count process %.4f s, "
                "CPU %.4f s (%.0f MB/s)\n",
                Pictures(few), handful.seconds, handful.cpu, mb / handful.cpu, count.seconds, count.cpu,
                mb / count.cpu);
    std::printf("    same count into a malloc'd block: %.4f s, CPU %.4f s\n", heapCount.seconds, heapCount.cpu);
    std::printf("    ratio batch / count: %.2f wall, %.2f CPU (target <= 0.8); against the malloc'd-block count: "
                "%.2f wall, %.2f CPU\n",
                handful.seconds / count.seconds, handful.cpu / count.cpu, handful.seconds / heapCount.seconds,
                handful.cpu / heapCount.cpu);

    return {bigPeak, smallPeak};
}

} // namespace

int main(int argc, char** argv)
{
    bench::BatchBenchOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if ((arg == "--count" || arg == "--count-heap") && i + 1 < argc) { // a reference, in a process of its own
            const bool heap = arg == "--count-heap";
            std::printf("%llu\n", static_cast<unsigned long long>(bench::CountNonBlankSse2(argv[++i], heap)));
            return 0;
        }
        if (!options.Read(argc, argv, i))
            Die("usage: bench_batch [--mb N] [--pictures N] [--rounds N] [--batch PATH] [--dir DIR] "
                "[--sample FASTA PATTERNS SIZE]");
    }
    auto& [megabytes, many, rounds, batch, base, sample] = options;
    batch = fs::absolute(batch).string();
    const std::string self = fs::canonical("/proc/self/exe").string();
    const fs::path work = base / ("lirovane_bench_batch_" + std::to_string(getpid()));
    fs::create_directories(work);

    const int size = 43;
    const fs::path big = work / "big.fa";
    const fs::path small = work / "small.fa";
    WriteSequence(big, megabytes << 20);
    WriteSequence(small, std::uint64_t{5} << 20);
    const std::uint64_t tokens = bench::CountNonBlankSse2(big.c_str());
    WritePatterns(work / "big.pat", tokens, 8, size);
    WritePatterns(work / "small.pat", bench::CountNonBlankSse2(small.c_str()), 8, size);
    WritePatterns(work / "many.pat", tokens, many, 2);
    const double mb = static_cast<double>(fs::file_size(big)) / (1 << 20);
    std::printf("batch: %s\nsequence: %.1f MB, %llu non-blank bytes, in %s\n", batch.c_str(), mb,
                static_cast<unsigned long long>(tokens), work.c_str());

    // (1) and (3): the page cache is warm from writing and counting.
    const auto [bigPeak, smallPeak] = AgainstCount(self, batch, work, size, rounds, mb);

    ManyPictures("synthetic, size 2", batch, big, work / "many.pat", 2, work, rounds);
    if (!sample.empty())
        ManyPictures(("sample " + fs::path(sample[0]).filename().string() + ", size " + sample[2]).c_str(), batch,
                     sample[0], sample[1], std::atoi(sample[2].c_str()), work, rounds);

    std::printf("(3) batch peak memory: %.1f MB on %.0f MB, %.1f MB on 5 MB; difference %.1f MB (target <= 20)\n",
                static_cast<double>(bigPeak) / 1024, mb, static_cast<double>(smallPeak) / 1024,
                static_cast<double>(bigPeak - smallPeak) / 1024);

    std::error_code ec;
    fs::remove_all(work, ec);
    return 0;
}
