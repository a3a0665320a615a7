// A viewer redraw deep into a 64 MB single-record file against one at its start,
// measured in the same run. Each redraw reloads its letters from the file.
#include "core/viewer/strandscope_model.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr std::int64_t kFileBytes = std::int64_t{64} << 20;
constexpr std::int32_t kDeepStart = 60000000;
constexpr int kRounds = 9;

fs::path MakeGenome(const fs::path& dir)
{
    const fs::path file = dir / "chr_bench.fa";
    std::ofstream out(file, std::ios::binary);
    const std::string header = ">chrBench synthetic single record\n";
    out << header;
    std::mt19937 random(20240607u);
    const char bases[] = {'A', 'C', 'G', 'T', 'a', 'c', 'g', 't', 'N'};
    std::string line(61, '\n');
    for (std::int64_t written = static_cast<std::int64_t>(header.size()); written < kFileBytes; written += 61) {
        for (int i = 0; i < 60; ++i) {
            const auto r = random() % 100;
            line[static_cast<std::size_t>(i)] = bases[r < 96 ? r % 4 : (r < 99 ? 4 + r % 4 : 8)];
        }
        out.write(line.data(), static_cast<std::streamsize>(line.size()));
    }
    return file;
}

double Millis(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

double RedrawAt(lirovane::StrandscopeModel& viewer, std::int32_t start)
{
    viewer.SetStartIndexText(std::to_string(start));
    const auto t0 = Clock::now();
    viewer.Redraw();
    return Millis(Clock::now() - t0);
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// The reference: one plain pass counting the file's non-blank bytes.
double CountTokens(const fs::path& file, std::int64_t& tokens)
{
    const auto t0 = Clock::now();
    std::ifstream in(file, std::ios::binary);
    std::vector<char> block(std::size_t{1} << 20);
    tokens = 0;
    while (in.read(block.data(), static_cast<std::streamsize>(block.size())) || in.gcount() > 0) {
        const auto n = static_cast<std::size_t>(in.gcount());
        for (std::size_t i = 0; i < n; ++i) {
            const char c = block[i];
            tokens += !(c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\v' || c == '\f');
        }
    }
    return Millis(Clock::now() - t0);
}

} // namespace

int main()
{
    const fs::path dir = fs::temp_directory_path() / ("lirovane_bench_viewer_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const fs::path file = MakeGenome(dir);
    std::printf("file: %.1f MB, single record\n", static_cast<double>(fs::file_size(file)) / (1 << 20));

    std::int64_t tokens = 0;
    const double scan = CountTokens(file, tokens);
    std::printf("reference: counting %lld tokens takes %.1f ms\n", static_cast<long long>(tokens), scan);

    lirovane::StrandscopeModel viewer;
    viewer.Load(file);
    const double firstDeep = RedrawAt(viewer, kDeepStart);
    std::printf("first redraw at %d (cold): %.2f ms, end index %d\n", kDeepStart, firstDeep, viewer.EndIndex());

    std::vector<double> shallow;
    std::vector<double> deep;
    for (int i = 0; i < kRounds; ++i) {
        shallow.push_back(RedrawAt(viewer, 0));
        deep.push_back(RedrawAt(viewer, kDeepStart));
    }
    const double atZero = Median(shallow);
    const double atDeep = Median(deep);
    std::printf("redraw at 0: %.2f ms (median of %d)\n", atZero, kRounds);
    std::printf("redraw at %d: %.2f ms (median of %d)\n", kDeepStart, atDeep, kRounds);
    std::printf("ratio deep / start: %.2f (target <= 2)\n", atDeep / atZero);
    std::printf("ratio full scan / deep redraw: %.1f\n", scan / atDeep);

    fs::remove_all(dir);
    return atDeep / atZero <= 2.0 ? 0 : 1;
}
