// Several sizes in one read against one size alone: the real lirovane-batch as a child
// process, timed from start to exit. `--size 2-10` on a large single-record sequence is
// compared with the slowest of `--size 2` ... `--size 10`, all in the same run. The
// repeats of the nine sizes overlap and nest, as trf's do.
//
//   bench_sizes [--mb N] [--repeats N] [--rounds N] [--batch PATH] [--dir DIR]
//
// --mb: sequence size (default 64); --repeats: repeats of each size (default 40: 360
// pictures, a bacterial genome's density of trf repeats at the default score). It runs
// twice: first with one repeat of each size at the end of the sequence (the reading and
// the pass itself), then with --repeats. Every figure is the best of --rounds runs (default 3), the cases interleaved
// so that load on a shared machine hits them alike. Each picture is a file to create, about
// 45 us even on tmpfs: where pictures outweigh the reading, the ratio grows with them.
#include "child_process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
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
#include <vector>

namespace fs = std::filesystem;

namespace {

using bench::Spawn;
using Run = bench::ChildRun;

constexpr int kFirstSize = 2;
constexpr int kLastSize = 10;

[[noreturn]] void Die(const std::string& what)
{
    std::fprintf(stderr, "bench_sizes: %s\n", what.c_str());
    std::exit(1);
}

// A single record of random bases in 60-column lines; returns its count of tokens.
std::uint64_t WriteSequence(const fs::path& file, std::uint64_t bytes)
{
    std::FILE* out = std::fopen(file.c_str(), "wb");
    if (!out)
        Die("cannot write " + file.string());
    const std::string header = ">bench synthetic chromosome\n";
    std::fwrite(header.data(), 1, header.size(), out);
    std::uint64_t tokens = header.size() - 2; // the header's blank and its line break do not count
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
        tokens += 60;
    }
    std::fclose(out);
    return tokens;
}

// `repeats` repeats of every size, spread evenly, the last close to the end so that every
// run reads the whole file; a repeat of size k starts a little after one of size k - 1,
// so that the stretches of different sizes overlap.
void WritePatterns(const fs::path& file, std::uint64_t tokens, int repeats)
{
    std::ofstream out(file, std::ios::binary);
    for (int i = 0; i < repeats; ++i) {
        const std::uint64_t base =
            (tokens - 5000) * static_cast<std::uint64_t>(i + 1) / static_cast<std::uint64_t>(repeats) + 1000;
        for (int size = kFirstSize; size <= kLastSize; ++size) {
            const auto k = static_cast<std::uint64_t>(size);
            const std::uint64_t start = base + 5 * k;
            out << start << ' ' << start + k * (4 + static_cast<std::uint64_t>(i % 12)) << ' ' << size << "\r\n";
        }
    }
}

int Pictures(const fs::path& dir)
{
    int n = 0;
    for (const auto& entry : fs::recursive_directory_iterator(dir))
        n += entry.path().extension() == ".bmp";
    return n;
}

// The sizes in one pass against each size in a run of its own, with perSize repeats of each.
void CompareSizes(const std::string& batch, const fs::path& dir, std::uint64_t tokens, std::uint64_t megabytes,
                  int perSize, int rounds)
{
    const fs::path sequence = dir / "genome.fa";
    const std::string all = std::to_string(kFirstSize) + "-" + std::to_string(kLastSize);
    const fs::path patterns = dir / ("genome" + std::to_string(perSize) + ".pat");
    WritePatterns(patterns, tokens, perSize);
    auto args = [&](const std::string& sizes, const fs::path& out) {
        return std::vector<std::string>{batch,    "--sequence", sequence.string(), "--patterns", patterns.string(),
                                        "--size", sizes,        "--out",           out.string()};
    };
    auto fresh = [](const fs::path& out) {
        fs::remove_all(out);
        fs::create_directories(out);
    };

    std::vector<Run> single(kLastSize + 1);
    Run together;
    for (int round = 0; round < rounds; ++round) {
        fresh(dir / "all");
        together.Best(Spawn(args(all, dir / "all")));
        for (int size = kFirstSize; size <= kLastSize; ++size) {
            const fs::path out = dir / ("size" + std::to_string(size));
            fresh(out);
            single[static_cast<std::size_t>(size)].Best(Spawn(args(std::to_string(size), out)));
        }
    }

    std::printf("sequence %llu MB, %d repeats of each size %d to %d (%d pictures in all)\n",
                static_cast<unsigned long long>(megabytes), perSize, kFirstSize, kLastSize, Pictures(dir / "all"));
    Run slowest{0, 0};
    Run sum{0, 0};
    for (int size = kFirstSize; size <= kLastSize; ++size) {
        const Run& s = single[static_cast<std::size_t>(size)];
        slowest = {std::max(slowest.seconds, s.seconds), std::max(slowest.cpu, s.cpu)};
        sum = {sum.seconds + s.seconds, sum.cpu + s.cpu};
    }
    std::printf("  slowest single size %.3f s, CPU %.3f s; the nine one after another %.3f s, CPU %.3f s\n",
                slowest.seconds, slowest.cpu, sum.seconds, sum.cpu);
    std::printf("  --size %s        %.3f s, CPU %.3f s\n", all.c_str(), together.seconds, together.cpu);
    std::printf("  ratio one pass / slowest single size: %.2f wall, %.2f CPU (target <= 1.3)\n",
                together.seconds / slowest.seconds, together.cpu / slowest.cpu);
    std::printf("  ratio one pass / the nine single runs: %.2f wall, %.2f CPU\n", together.seconds / sum.seconds,
                together.cpu / sum.cpu);
}

} // namespace

int main(int argc, char** argv)
{
    std::uint64_t megabytes = 64;
    int repeats = 40;
    int rounds = 3;
    std::string batch = LIROVANE_BATCH_PATH;
    fs::path base = fs::temp_directory_path();
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--mb")
            megabytes = std::strtoull(argv[i + 1], nullptr, 10);
        else if (option == "--repeats")
            repeats = std::atoi(argv[i + 1]);
        else if (option == "--rounds")
            rounds = std::atoi(argv[i + 1]);
        else if (option == "--batch")
            batch = argv[i + 1];
        else if (option == "--dir")
            base = argv[i + 1];
        else
            Die("unknown option " + option);
    }
    if (megabytes < 1 || repeats < 1 || rounds < 1)
        Die("--mb, --repeats and --rounds must be positive");

    const fs::path dir = base / ("lirovane_bench_sizes_" + std::to_string(getpid()));
    fs::create_directories(dir);
    const fs::path sequence = dir / "genome.fa";
    const std::uint64_t tokens = WriteSequence(sequence, megabytes << 20);

    // First with one picture per size (the reading and the pass itself), then with --repeats.
    for (const int perSize : {1, repeats})
        CompareSizes(batch, dir, tokens, megabytes, perSize, rounds);
    fs::remove_all(dir);
    return 0;
}
