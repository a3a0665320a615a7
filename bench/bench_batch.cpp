// The image batch on a large single-record sequence against plainly counting the
// file's non-blank bytes, and its peak memory on a large file against a small one.
//
//   bench_batch [megabytes]     (default 64)
#include "core/batch/image_batch.h"
#include "core/io/patterns.h"
#include "core/render/raster_canvas.h"
#include "core/settings/app_settings.h"

#include <sys/resource.h>
#include <sys/wait.h>
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

class QuietDisplay final : public BatchDisplay {
public:
    Canvas& Surface() override { return m_surface; }
    void Navigate(const std::string&) override {}

private:
    RasterCanvas m_surface{640, 480};
};

// A single record of random bases in 60-column lines.
void WriteSequence(const fs::path& file, std::uint64_t bytes)
{
    std::FILE* out = std::fopen(file.c_str(), "wb");
    if (!out) {
        std::perror(file.c_str());
        std::exit(1);
    }
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

// A handful of repeats spread over the file, the last one close to its end.
void WritePatterns(const fs::path& file, std::uint64_t tokens, int size)
{
    std::ofstream out(file, std::ios::binary);
    const int repeats = 8;
    for (int i = 0; i < repeats; ++i) {
        const std::uint64_t start = 100 + (tokens - 2000) / repeats * static_cast<std::uint64_t>(i + 1);
        out << start << ' ' << start + 150 + 40 * static_cast<std::uint64_t>(i) << ' ' << size << "\r\n";
        out << start + 7 << ' ' << start + 90 << ' ' << size + 1 << "\r\n"; // another size: not drawn
    }
}

// Reads the file in 1 MiB blocks and sums what `count` finds in each.
template <typename CountBlock>
std::uint64_t CountInBlocks(const fs::path& file, CountBlock count)
{
    std::FILE* in = std::fopen(file.c_str(), "rb");
    if (!in)
        return 0;
    std::vector<unsigned char> block(std::size_t{1} << 20);
    std::uint64_t total = 0;
    std::size_t n = 0;
    while ((n = std::fread(block.data(), 1, block.size(), in)) > 0)
        total += count(block.data(), n);
    std::fclose(in);
    return total;
}

// The reference: count the bytes that are not white space.
std::uint64_t CountNonBlank(const fs::path& file)
{
    return CountInBlocks(file, [](const unsigned char* p, std::size_t n) {
        std::uint64_t blank = 0;
        for (std::size_t i = 0; i < n; ++i)
            blank += static_cast<std::uint64_t>(p[i] == ' ' || (p[i] >= '\t' && p[i] <= '\r'));
        return n - blank;
    });
}

// The same count with a byte-wide sum over 64-byte chunks, which the compiler vectorises:
// the fastest plain reading of the file, for comparison.
std::uint64_t CountNonBlankChunked(const fs::path& file)
{
    return CountInBlocks(file, [](const unsigned char* p, std::size_t n) {
        std::uint64_t count = 0;
        std::size_t i = 0;
        for (; i + 64 <= n; i += 64) {
            unsigned char sum = 0;
            for (std::size_t j = 0; j < 64; ++j) {
                const unsigned char c = p[i + j];
                sum = static_cast<unsigned char>(sum + ((c != ' ') & (static_cast<unsigned char>(c - '\t') > 4)));
            }
            count += sum;
        }
        for (; i < n; ++i)
            count += static_cast<std::uint64_t>(!(p[i] == ' ' || (p[i] >= '\t' && p[i] <= '\r')));
        return count;
    });
}

AppSettings Settings(const fs::path& sequence, const fs::path& patterns, int size)
{
    AppSettings settings;
    settings.SetFirstRunDefaults();
    settings.sequenceFile = sequence.string();
    settings.patternsFile = patterns.string();
    settings.sizeOfRepeats = size;
    return settings;
}

double Seconds(Clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

// Runs the batch in a child process and returns its peak resident memory in KiB.
long PeakKiB(const AppSettings& settings, const fs::path& out)
{
    const pid_t child = fork();
    if (child == 0) {
        QuietDisplay display;
        const BatchResult result = CreateImages(settings, display, out);
        _exit(result.pageWritten ? 0 : 1);
    }
    int status = 0;
    rusage usage{};
    if (child < 0 || wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "batch child failed\n");
        std::exit(1);
    }
    return usage.ru_maxrss;
}

} // namespace

int main(int argc, char** argv)
{
    const std::uint64_t megabytes = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 64;
    const fs::path dir = fs::temp_directory_path() / ("lirovane_bench_batch_" + std::to_string(getpid()));
    fs::create_directories(dir / "big");
    fs::create_directories(dir / "small");

    const int size = 43;
    const fs::path big = dir / "big.fa";
    const fs::path small = dir / "small.fa";
    WriteSequence(big, megabytes << 20);
    WriteSequence(small, std::uint64_t{5} << 20);
    WritePatterns(dir / "big.pat", CountNonBlank(big), size);
    WritePatterns(dir / "small.pat", CountNonBlank(small), size);

    AppSettings bigSettings = Settings(big, dir / "big.pat", size);
    AppSettings smallSettings = Settings(small, dir / "small.pat", size);
    const auto ignore = [](std::string_view) {};
    SplitPatterns(bigSettings, ignore, dir / "big");
    SplitPatterns(smallSettings, ignore, dir / "small");

    // The page cache is warm from writing and counting; take the best of a few runs of each.
    std::uint64_t tokens = 0;
    double reference = 1e9;
    double chunked = 1e9;
    double batch = 1e9;
    int pictures = 0;
    for (int round = 0; round < 3; ++round) {
        auto t0 = Clock::now();
        tokens = CountNonBlank(big);
        reference = std::min(reference, Seconds(Clock::now() - t0));

        t0 = Clock::now();
        if (CountNonBlankChunked(big) != tokens)
            std::fprintf(stderr, "the two counts differ\n");
        chunked = std::min(chunked, Seconds(Clock::now() - t0));

        QuietDisplay display;
        t0 = Clock::now();
        const BatchResult result = CreateImages(bigSettings, display, dir / "big");
        batch = std::min(batch, Seconds(Clock::now() - t0));
        pictures = result.pictures;
    }

    const long bigPeak = PeakKiB(bigSettings, dir / "big");
    const long smallPeak = PeakKiB(smallSettings, dir / "small");

    const double mb = static_cast<double>(fs::file_size(big)) / (1 << 20);
    std::printf("sequence: %.1f MB, %llu non-blank bytes, %d pictures of %d selected repeats\n", mb,
                static_cast<unsigned long long>(tokens), pictures, bigSettings.numberOfRepeatsInThisSet);
    std::printf("count non-blank bytes: %.3f s (%.0f MB/s)\n", reference, mb / reference);
    std::printf("count, 64-byte chunks: %.3f s (%.0f MB/s)\n", chunked, mb / chunked);
    std::printf("batch:                 %.3f s (%.0f MB/s)\n", batch, mb / batch);
    std::printf("(1) batch time / count time: %.2f (target <= 2.0); against the chunked count: %.2f\n",
                batch / reference, batch / chunked);
    std::printf("(2) batch peak memory: %.1f MB on %.0f MB, %.1f MB on 5 MB; difference %.1f MB (target <= 20)\n",
                static_cast<double>(bigPeak) / 1024, mb, static_cast<double>(smallPeak) / 1024,
                static_cast<double>(bigPeak - smallPeak) / 1024);

    std::error_code ec;
    fs::remove_all(dir, ec);
    return 0;
}
