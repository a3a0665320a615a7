// The gallery of the MAL14 sample (P. falciparum chromosome 14) at repeat size 2 in each
// picture format: the real lirovane-batch as a child process, --format bmp, png and svg,
// timed from start to exit, and the bytes each gallery's pictures take.
//
//   bench_formats [--samples DIR] [--rounds N] [--batch PATH] [--dir DIR]
//
// --samples: the folder with pfalciparum_MAL14_lower.fa and its .trf.dat (default: the
// shared samples beside the source tree); --rounds: runs of each format, interleaved so
// that load on a shared machine hits them alike (default 5); every time is the best run.
// Targets: PNG at most 1.5 times the BMP run, SVG at most 1.2 times, and the PNG
// pictures at most 1/5 of the BMP pictures' bytes.
#include "child_process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using bench::Spawn;
using Run = bench::ChildRun;

[[noreturn]] void Die(const std::string& what)
{
    std::fprintf(stderr, "bench_formats: %s\n", what.c_str());
    std::exit(1);
}

// The pictures of a gallery: how many and their bytes.
std::pair<int, std::uintmax_t> Pictures(const fs::path& dir, const std::string& extension)
{
    int count = 0;
    std::uintmax_t bytes = 0;
    for (const auto& entry : fs::directory_iterator(dir)) {
        if (entry.path().extension() == extension) {
            ++count;
            bytes += entry.file_size();
        }
    }
    return {count, bytes};
}

} // namespace

int main(int argc, char** argv)
{
    fs::path samples = LIROVANE_SAMPLES_PATH;
    std::string batch = LIROVANE_BATCH_PATH;
    fs::path dir = fs::temp_directory_path() / ("bench-formats-" + std::to_string(getpid()));
    int rounds = 5;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--samples")
            samples = argv[i + 1];
        else if (option == "--rounds")
            rounds = std::max(1, std::atoi(argv[i + 1]));
        else if (option == "--batch")
            batch = argv[i + 1];
        else if (option == "--dir")
            dir = argv[i + 1];
        else
            Die("unknown option " + option);
    }
    const fs::path sequence = samples / "pfalciparum_MAL14_lower.fa";
    const fs::path trf = samples / "pfalciparum_MAL14_lower.trf.dat";
    if (!fs::is_regular_file(sequence) || !fs::is_regular_file(trf))
        Die("no MAL14 sample in " + samples.string() + " (give --samples DIR)");

    const std::array<std::string, 3> formats{"bmp", "png", "svg"};
    std::array<Run, 3> best;
    for (int round = 0; round < rounds; ++round) {
        for (std::size_t f = 0; f < formats.size(); ++f) {
            const fs::path out = dir / formats[f];
            fs::remove_all(out);
            best[f].Best(Spawn({batch, "--sequence", sequence.string(), "--trf", trf.string(), "--size", "2",
                                "--format", formats[f], "--out", out.string()}));
        }
    }

    std::array<std::pair<int, std::uintmax_t>, 3> pictures;
    for (std::size_t f = 0; f < formats.size(); ++f)
        pictures[f] = Pictures(dir / formats[f], "." + formats[f]);
    std::printf("MAL14, repeat size 2, best of %d runs each\n", rounds);
    for (std::size_t f = 0; f < formats.size(); ++f)
        std::printf("  %s: %d pictures, %10ju bytes, %.3f s wall, %.3f s cpu\n", formats[f].c_str(), pictures[f].first,
                    pictures[f].second, best[f].seconds, best[f].cpu);
    const auto ratio = [](double a, double b) { return b > 0 ? a / b : 0.0; };
    std::printf("PNG / BMP time: %.2f wall, %.2f cpu (target <= 1.5)\n", ratio(best[1].seconds, best[0].seconds),
                ratio(best[1].cpu, best[0].cpu));
    std::printf("SVG / BMP time: %.2f wall, %.2f cpu (target <= 1.2)\n", ratio(best[2].seconds, best[0].seconds),
                ratio(best[2].cpu, best[0].cpu));
    std::printf("PNG / BMP bytes: %.3f (target <= 0.2)\n",
                ratio(static_cast<double>(pictures[1].second), static_cast<double>(pictures[0].second)));
    std::printf("SVG / BMP bytes: %.3f\n",
                ratio(static_cast<double>(pictures[2].second), static_cast<double>(pictures[0].second)));
    std::error_code ec;
    fs::remove_all(dir, ec);
    return 0;
}
