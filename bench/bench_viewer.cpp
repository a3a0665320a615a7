// A viewer redraw deep into a 64 MB single-record file against one at its start,
// measured in the same run. Each redraw reloads its letters from the file. Then Next
// at start 60,000,000, beside what it cost when it always read 400,000 letters.
//
// Then a whole genome past 3 GiB, made in a temporary folder by concatenating the
// sample genomes round after round under new record names (and deleted afterwards):
// `lirovane-batch --view` at its last window as a fresh process, with FILE.fai beside
// it and without. Target: at most 50 ms with the index. This part writes 3 GiB and
// takes a minute or two.
//
//   bench_viewer [--no-genome] [--samples DIR] [--dir DIR] [--batch PATH]
//
// --samples: the folder of sample FASTA files (default: the shared samples beside the
// source tree; without any, the synthetic 64 MB genome is concatenated instead);
// --dir: where the big genome is made (default: the system's temporary folder).
#include "child_process.h"

#include "core/sequence/sequence_letters.h"
#include "core/render/null_canvas.h"
#include "core/viewer/strandscope_model.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
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

// The big genome's files, removed however the benchmark ends: at exit (a failed child
// ends it with exit()) and at SIGINT or SIGTERM, with calls that are safe in a handler.
struct BigFiles {
    std::string genome, index, picture, folder;
};
BigFiles g_big;

void RemoveBigFiles()
{
    for (const std::string* file : {&g_big.genome, &g_big.index, &g_big.picture})
        if (!file->empty())
            ::unlink(file->c_str());
    if (!g_big.folder.empty())
        ::rmdir(g_big.folder.c_str());
}

extern "C" void OnBigStop(int signal)
{
    RemoveBigFiles();
    std::_Exit(128 + signal);
}

struct Sample {
    std::string header; // without '>' and line end
    std::string body;   // everything after the header line
    std::uint64_t tokens = 0;
};

std::uint64_t NonBlank(std::string_view text)
{
    std::uint64_t n = 0;
    for (const char c : text)
        n += !(c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\v' || c == '\f');
    return n;
}

// The single-record FASTA files of `folder`, or the synthetic genome when it has none.
std::vector<Sample> LoadSamples(const fs::path& folder, const fs::path& fallback)
{
    std::vector<fs::path> files;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec))
        if (entry.path().extension() == ".fa")
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    if (files.empty())
        files.push_back(fallback);
    std::vector<Sample> samples;
    for (const fs::path& file : files) {
        std::ifstream in(file, std::ios::binary);
        std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        if (text.empty() || text.front() != '>' || text.find('>', 1) != std::string::npos)
            continue; // one record per sample: each round renames it
        const std::size_t eol = text.find('\n');
        Sample sample{text.substr(1, eol - 1), text.substr(eol + 1), 0};
        sample.tokens = NonBlank(sample.body);
        samples.push_back(std::move(sample));
    }
    return samples;
}

struct BigGenome {
    fs::path file;
    std::uint64_t bytes = 0;
    std::uint64_t tokens = 0;
    std::size_t records = 0;
    std::string lastRecord;
    std::uint64_t lastBases = 0;
};

// The samples written round after round as records "rN_<name>" until the file holds
// at least `minBytes`: an assembly of many records, as real genomes come.
BigGenome MakeBigGenome(const fs::path& file, const std::vector<Sample>& samples, std::uint64_t minBytes)
{
    BigGenome genome;
    genome.file = file;
    std::FILE* out = std::fopen(file.c_str(), "wb");
    if (out == nullptr) {
        std::fprintf(stderr, "bench: cannot write %s\n", file.c_str());
        std::exit(1);
    }
    for (std::size_t round = 1; genome.bytes < minBytes; ++round) {
        for (const Sample& sample : samples) {
            const std::string header = ">r" + std::to_string(round) + "_" + sample.header + "\n";
            if (std::fwrite(header.data(), 1, header.size(), out) != header.size() ||
                std::fwrite(sample.body.data(), 1, sample.body.size(), out) != sample.body.size()) {
                std::fprintf(stderr, "bench: cannot write %s: %s\n", file.c_str(), std::strerror(errno));
                std::exit(1);
            }
            genome.bytes += header.size() + sample.body.size();
            genome.tokens += NonBlank(header) + sample.tokens;
            ++genome.records;
            genome.lastRecord = header.substr(1, header.find_first_of(" \n") - 1);
            genome.lastBases = sample.tokens;
        }
    }
    if (std::fclose(out) != 0) {
        std::fprintf(stderr, "bench: cannot write %s\n", file.c_str());
        std::exit(1);
    }
    return genome;
}

// The printed "start N end M" (and "region ...") of one --view run.
std::string ViewOutput(const std::vector<std::string>& args)
{
    std::string command;
    for (const std::string& a : args)
        command += "'" + a + "' ";
    std::string text;
    if (std::FILE* p = ::popen((command + "2>&1").c_str(), "r")) {
        char line[512];
        while (std::fgets(line, sizeof line, p) != nullptr)
            text += line;
        ::pclose(p);
    }
    while (!text.empty() && text.back() == '\n')
        text.pop_back();
    for (char& c : text)
        c = c == '\n' ? ';' : c;
    return text;
}

// The folder of the big files, removed at exit or on a stop signal.
fs::path BigFilesIn(const fs::path& where)
{
    const fs::path dir = where / ("lirovane_bench_genome_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    g_big = {(dir / "genome.fa").string(), (dir / "genome.fa.fai").string(), (dir / "last.bmp").string(), dir.string()};
    std::atexit(RemoveBigFiles);
    std::signal(SIGINT, OnBigStop);
    std::signal(SIGTERM, OnBigStop);
    return dir;
}

// Fresh processes drawing the last window with FILE.fai, the same window by its region and
// the first window; returns the median time of the last window in ms.
double TimeWithIndex(const std::vector<std::string>& view, const std::vector<std::string>& atZero,
                     const std::vector<std::string>& byRegion, std::uint64_t start, double plainMs)
{
    constexpr int kRuns = 9;
    std::vector<double> deep, deepCpu, shallow, shallowCpu, named;
    for (int i = 0; i < kRuns; ++i) {
        const bench::ChildRun last = bench::Spawn(view);
        const bench::ChildRun first = bench::Spawn(atZero);
        deep.push_back(last.seconds * 1e3);
        deepCpu.push_back(last.cpu * 1e3);
        shallow.push_back(first.seconds * 1e3);
        shallowCpu.push_back(first.cpu * 1e3);
        named.push_back(bench::Spawn(byRegion).seconds * 1e3);
    }
    const double withIndex = Median(deep);
    std::printf("--view --start %llu with FILE.fai: %.1f ms (median of %d, best %.1f; CPU %.1f ms) (target <= 50 ms)\n",
                static_cast<unsigned long long>(start), withIndex, kRuns, *std::min_element(deep.begin(), deep.end()),
                Median(deepCpu));
    std::printf("--view --region %s with FILE.fai: %.1f ms (median of %d)\n", byRegion[4].c_str(), Median(named), kRuns);
    std::printf("--view --start 0: %.1f ms (median of %d; CPU %.1f ms)\n", Median(shallow), kRuns, Median(shallowCpu));
    std::printf("ratio last window with index / start 0: %.2f (CPU %.2f); without index / with index: %.0f\n",
                withIndex / Median(shallow), Median(deepCpu) / Median(shallowCpu), plainMs / withIndex);
    return withIndex;
}

// Fresh processes drawing the last window of a genome past 3 GiB, with FILE.fai and without.
bool BenchBigGenome(const std::string& batch, const fs::path& samplesDir, const fs::path& where,
                    const fs::path& fallback)
{
    const std::vector<Sample> samples = LoadSamples(samplesDir, fallback);
    if (samples.empty()) {
        std::fprintf(stderr, "bench: no single-record FASTA sample in %s\n", samplesDir.c_str());
        return false;
    }
    const fs::path dir = BigFilesIn(where);

    constexpr std::uint64_t kMinBytes = std::uint64_t{3} << 30;
    auto t0 = Clock::now();
    const BigGenome genome = MakeBigGenome(dir / "genome.fa", samples, kMinBytes);
    std::printf("\nwhole genome: %.2f GiB, %zu records (%zu samples concatenated, renamed), %llu positions; "
                "written in %.1f s\n",
                static_cast<double>(genome.bytes) / (1 << 30), genome.records, samples.size(),
                static_cast<unsigned long long>(genome.tokens), Millis(Clock::now() - t0) / 1e3);

    // The last window: the file's last 5,000 positions, the end of its last record.
    const std::uint64_t start = genome.tokens - 5000;
    const std::vector<std::string> view = {
        batch, "--view", genome.file.string(), "--start", std::to_string(start), "--save", g_big.picture};
    const std::vector<std::string> atZero = {batch, "--view", genome.file.string(), "--start",
                                             "0",   "--save", g_big.picture};

    // Without the index: every run reads the whole file (from the page cache here).
    bench::ChildRun plain;
    for (int i = 0; i < 2; ++i)
        plain.Best(bench::Spawn(view));
    std::printf("--view --start %llu without FILE.fai: %.0f ms (best of 2; CPU %.0f ms)\n",
                static_cast<unsigned long long>(start), plain.seconds * 1e3, plain.cpu * 1e3);

    t0 = Clock::now();
    bench::Spawn({batch, "--index", genome.file.string()});
    std::printf("lirovane-batch --index: %.1f s, %llu bytes of .fai\n", Millis(Clock::now() - t0) / 1e3,
                static_cast<unsigned long long>(fs::file_size(g_big.index)));
    std::printf("  prints: %s\n", ViewOutput(view).c_str());
    const std::string region = genome.lastRecord + ":" + std::to_string(genome.lastBases - 4000);
    std::vector<std::string> byRegion = view;
    byRegion[3] = "--region";
    byRegion[4] = region;
    std::printf("  --region %s prints: %s\n", region.c_str(), ViewOutput(byRegion).c_str());

    // With the index: interleaved with a draw at start 0, the cost of a fresh process.
    const double withIndex = TimeWithIndex(view, atZero, byRegion, start, plain.seconds * 1e3);

    RemoveBigFiles();
    std::error_code ec;
    fs::remove_all(dir, ec);
    return withIndex <= 50.0;
}

// Next from 60,000,000: the model reads letters only until the fit stops. The same
// step the old way: 400,000 letters read, then fitted and drawn.
void BenchNext(lirovane::StrandscopeModel& viewer, const fs::path& file)
{
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
        const std::string letters = lirovane::ReadSequenceLetters(file, from).value();
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
}

} // namespace

int main(int argc, char** argv)
{
    bool genomePart = true;
    fs::path samples = LIROVANE_SAMPLES_PATH;
    fs::path where = fs::temp_directory_path();
    std::string batch = LIROVANE_BATCH_PATH;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--no-genome") {
            genomePart = false;
        } else if (i + 1 < argc && (option == "--samples" || option == "--dir" || option == "--batch")) {
            const std::string value = argv[++i];
            if (option == "--samples")
                samples = value;
            else if (option == "--dir")
                where = value;
            else
                batch = value;
        } else {
            std::fprintf(stderr, "usage: bench_viewer [--no-genome] [--samples DIR] [--dir DIR] [--batch PATH]\n");
            return 2;
        }
    }

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

    BenchNext(viewer, file);

    const bool genomeMet = !genomePart || BenchBigGenome(batch, samples, where, file);
    fs::remove_all(dir);
    return atDeep / atZero <= 2.0 && genomeMet ? 0 : 1;
}
