// A viewer redraw deep into a 64 MB single-record file against one at its start,
// measured in the same run. Each redraw reloads its letters from the file. Then Next
// at start 60,000,000, beside what it cost when it always read 400,000 letters.
#include "core/io/sequence_letters.h"
#include "core/render/null_canvas.h"
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
constexpr std::int64_t kDeepStart = 60000000;
constexpr int kRounds = 9;

// A genome whose composition drifts as a real chromosome's does: stretches of a few
// hundred to a few thousand bases, each with its own A/T and C/G skew, mostly upper
// case, some soft-masked, a few N. A walk over it leaves the 650 x 380 frame at zoom 1
// after some 5,000 to 15,000 letters, as over the human chr17 sample (7,000 to 11,000);
// over evenly random bases it would wander for 40,000.
fs::path MakeGenome(const fs::path& dir)
{
    const fs::path file = dir / "chr_bench.fa";
    std::ofstream out(file, std::ios::binary);
    const std::string header = ">chrBench synthetic single record\n";
    out << header;
    std::mt19937 random(20240607u);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::string line(61, '\n');
    int left = 0;
    double cut[3] = {};
    bool masked = false;
    for (std::int64_t written = static_cast<std::int64_t>(header.size()); written < kFileBytes; written += 61) {
        for (int i = 0; i < 60; ++i, --left) {
            if (left <= 0) {
                left = 200 + static_cast<int>(random() % 2800);
                const double at = (unit(random) - 0.5) * 0.6;
                const double gc = (unit(random) - 0.5) * 0.6;
                cut[0] = 0.3 * (1 + at);
                cut[1] = cut[0] + 0.3 * (1 - at);
                cut[2] = cut[1] + 0.2 * (1 + gc);
                masked = random() % 8 == 0;
            }
            const double r = unit(random);
            char base = r < cut[0] ? 'A' : r < cut[1] ? 'T' : r < cut[2] ? 'C' : 'G';
            if (random() % 200 == 0)
                base = 'N';
            else if (masked)
                base = static_cast<char>(base - 'A' + 'a');
            line[static_cast<std::size_t>(i)] = base;
        }
        out.write(line.data(), static_cast<std::streamsize>(line.size()));
    }
    return file;
}

double Millis(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

double RedrawAt(lirovane::StrandscopeModel& viewer, std::int64_t start)
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
    std::printf("first redraw at %lld (cold): %.2f ms, end index %lld\n", static_cast<long long>(kDeepStart), firstDeep,
                static_cast<long long>(viewer.EndIndex()));

    std::vector<double> shallow;
    std::vector<double> deep;
    for (int i = 0; i < kRounds; ++i) {
        shallow.push_back(RedrawAt(viewer, 0));
        deep.push_back(RedrawAt(viewer, kDeepStart));
    }
    const double atZero = Median(shallow);
    const double atDeep = Median(deep);
    std::printf("redraw at 0: %.2f ms (median of %d)\n", atZero, kRounds);
    std::printf("redraw at %lld: %.2f ms (median of %d)\n", static_cast<long long>(kDeepStart), atDeep, kRounds);
    std::printf("ratio deep / start: %.2f (target <= 2)\n", atDeep / atZero);
    std::printf("ratio full scan / deep redraw: %.1f\n", scan / atDeep);

    // Next from 60,000,000: the model reads letters only until the fit stops. The same
    // step the old way: 400,000 letters read, then fitted and drawn.
    std::vector<double> next;
    std::vector<double> whole;
    std::int64_t end = 0;
    for (int i = 0; i < kRounds; ++i) {
        RedrawAt(viewer, kDeepStart);
        auto t0 = Clock::now();
        viewer.Next();
        next.push_back(Millis(Clock::now() - t0));
        end = viewer.EndIndex();

        const std::int64_t from = viewer.StartIndex();
        t0 = Clock::now();
        const std::string letters = lirovane::ReadSequenceLetters(file, from);
        const lirovane::ViewerFit fit = lirovane::FitViewerPath(letters, viewer.Zoom(), viewer.Style());
        lirovane::NullCanvas screen(lirovane::kViewerWidth, lirovane::kViewerHeight);
        lirovane::RasterCanvas image(lirovane::kViewerWidth, lirovane::kViewerHeight);
        lirovane::DrawViewerPath(letters, fit, viewer.Zoom(), viewer.Style(), screen, image);
        whole.push_back(Millis(Clock::now() - t0));
        if (from + fit.count != end)
            std::printf("the two Next steps end at different indexes: %lld and %lld\n", static_cast<long long>(end),
                        static_cast<long long>(from + fit.count));
    }
    const double atNext = Median(next);
    std::printf("Next at %lld: %.3f ms (median of %d, best %.3f), end index %lld, %d letters drawn\n",
                static_cast<long long>(kDeepStart), atNext, kRounds, *std::min_element(next.begin(), next.end()),
                static_cast<long long>(end), viewer.DrawnCount());
    std::printf("the same step reading 400000 letters: %.3f ms (median); ratio %.1f (target: Next <= 1.5 ms)\n",
                Median(whole), Median(whole) / atNext);

    fs::remove_all(dir);
    return atDeep / atZero <= 2.0 ? 0 : 1;
}
