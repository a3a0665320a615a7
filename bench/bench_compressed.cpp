// Compressed input: the batch on a 64 MB single-record file compressed with bgzip,
// against htslib decompressing the same file to nothing with the same threads; and
// the viewer's deep redraw on that file against a shallow one.
//
//   bench_compressed [megabytes]     (default 64)
#include "core/batch/image_batch.h"
#include "core/batch/quiet_display.h"
#include "core/intervals/patterns.h"
#include "core/sequence/sequence_letters.h"
#include "core/sequence/token_offset_index.h"
#include "core/settings/app_settings.h"

#include <htslib/bgzf.h>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace lirovane;
using Clock = std::chrono::steady_clock;

namespace {

volatile std::uint64_t g_sink = 0;

// CPU seconds of the whole process so far, every thread's (htslib's workers included).
double ProcessCpu()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Wall and CPU times of every round; their medians are compared.
struct Timing {
    std::vector<double> wall;
    std::vector<double> cpu;

    template <typename F> void Run(F&& f)
    {
        const double cpu0 = ProcessCpu();
        const auto t0 = Clock::now();
        f();
        wall.push_back(std::chrono::duration<double>(Clock::now() - t0).count());
        cpu.push_back(ProcessCpu() - cpu0);
    }
    static double Median(std::vector<double> v)
    {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    }
    double Wall() const { return Median(wall); }
    double Cpu() const { return Median(cpu); }
};

template <typename F> double Best(int rounds, F&& f)
{
    double best = 1e9;
    for (int i = 0; i < rounds; ++i) {
        const auto t0 = Clock::now();
        f();
        best = std::min(best, std::chrono::duration<double>(Clock::now() - t0).count());
    }
    return best;
}

std::uint64_t WriteSequence(const fs::path& file, std::uint64_t bytes)
{
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    const std::string header = ">bench synthetic chromosome\n";
    out << header;
    std::mt19937_64 random(42);
    std::string line(61, '\n');
    std::uint64_t tokens = header.size() - 1;
    for (std::uint64_t written = header.size(); written < bytes; written += line.size()) {
        for (std::size_t i = 0; i < 60; i += 30) {
            std::uint64_t r = random();
            for (std::size_t j = 0; j < 30; ++j, r >>= 2)
                line[i + j] = "ACGT"[r & 3];
        }
        out << line;
        tokens += 60;
    }
    return tokens;
}

// htslib alone: every block decompressed, nothing done with it.
std::uint64_t Decompress(const fs::path& file, int threads)
{
    BGZF* fp = bgzf_open(file.c_str(), "r");
    if (fp == nullptr)
        return 0;
    bgzf_mt(fp, threads, 256);
    std::vector<char> block(std::size_t{1} << 20);
    std::uint64_t total = 0;
    for (ssize_t n; (n = bgzf_read(fp, block.data(), block.size())) > 0;)
        total += static_cast<std::uint64_t>(n);
    bgzf_close(fp);
    return total;
}

// (2): the viewer's letters deep in the BGZF file against those at its start.
void ViewerRedraws(const fs::path& packed, std::uint64_t tokens)
{
    TokenOffsetIndex::Global().Clear();
    const std::int64_t deepStart = static_cast<std::int64_t>(tokens) - 500'000;
    const double learn = Best(1, [&] { g_sink = ReadSequenceLetters(packed, deepStart).value().size(); });
    const double shallow = Best(10, [&] { g_sink = ReadSequenceLetters(packed, 0).value().size(); });
    const double deep = Best(10, [&] { g_sink = ReadSequenceLetters(packed, deepStart).value().size(); });

    std::printf("viewer letters at %lld: %.2f ms (first read, learns the offsets: %.1f ms); at 0: %.2f ms\n",
                static_cast<long long>(deepStart), deep * 1e3, learn * 1e3, shallow * 1e3);
    std::printf("(2) deep redraw / shallow redraw on BGZF: %.2f (target <= 2)\n", deep / shallow);

}

} // namespace

int main(int argc, char** argv)
{
    const std::uint64_t megabytes = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 64;
    const fs::path dir = fs::temp_directory_path() / ("lirovane_bench_compressed_" + std::to_string(getpid()));
    fs::create_directories(dir / "out");
    const fs::path plain = dir / "genome.fa";
    const std::uint64_t tokens = WriteSequence(plain, megabytes << 20);
    const std::string command = "bgzip -@2 -c '" + plain.string() + "' > '" + plain.string() + ".gz'";
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "bgzip failed (is tabix installed?)\n");
        return 1;
    }
    const fs::path packed = plain.string() + ".gz";

    // A handful of repeats spread over the file, the last one close to its end.
    {
        std::ofstream pat(dir / "genome.pat", std::ios::binary);
        for (std::uint64_t i = 1; i <= 8; ++i) {
            const std::uint64_t start = (tokens - 2000) / 8 * i;
            pat << start << ' ' << start + 150 + 40 * i << " 43\r\n";
        }
    }
    AppSettings settings;
    settings.SetFirstRunDefaults();
    settings.sequenceFile = packed.string();
    settings.patternsFile = (dir / "genome.pat").string();
    settings.sizeOfRepeats = 43;
    std::vector<SizeSelection> sizes{{43, dir / "out", 0}};
    static_cast<void>(SplitPatterns(settings.patternsFile, settings.sequenceFile, sizes, BadRecord::SelectNothing));
    settings.numberOfRepeatsInThisSet = sizes.front().count;

    // The two interleaved, so that load from other work on the machine hits both alike,
    // and compared by their medians: a best round is too often a lucky one there. The
    // CPU time (all threads) is the steadier figure: what the batch adds to the work.
    int pictures = 0;
    Timing reference;
    Timing batch;
    for (int round = 0; round < 9; ++round) {
        reference.Run([&] { g_sink = Decompress(packed, kBatchDecompressThreads); });
        batch.Run([&] {
            QuietDisplay display;
            pictures = CreateImages(settings, display, dir / "out").pictures;
        });
    }

    const double mb = static_cast<double>(fs::file_size(plain)) / (1 << 20);
    std::printf("sequence: %.1f MB text, %.1f MB BGZF, %d pictures; %d decompression threads\n", mb,
                static_cast<double>(fs::file_size(packed)) / (1 << 20), pictures, kBatchDecompressThreads);
    std::printf("htslib decompressing to nothing: %.3f s (CPU %.3f s); batch on the BGZF file: %.3f s (CPU %.3f s); "
                "medians of 9\n",
                reference.Wall(), reference.Cpu(), batch.Wall(), batch.Cpu());
    std::printf("(1) batch / decompression: %.2f (target <= 1.2); in CPU time: %.2f\n", batch.Wall() / reference.Wall(),
                batch.Cpu() / reference.Cpu());
    ViewerRedraws(packed, tokens);

    std::error_code ec;
    fs::remove_all(dir, ec);
    return 0;
}
