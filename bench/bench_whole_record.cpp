// A whole 250 Mb record drawn as one picture, against a plain count of the file's
// non-blank bytes, each a fresh process, timed in the same run:
//   (1) the gallery's picture of a patterns record spanning the record;
//   (2) `--view FILE --region chrW --fit` with FILE.fai beside it;
//   (3) `--overview` of the file, and of a genome-shaped file: the same bases cut into
//       24 records whose sizes follow the human chromosomes' proportions;
//   (4) `--view --region chrW:POS` near the record's end without FILE.fai, against
//       `--view --start` of the same token: the record table and the way to the start
//       come from one pass, so the ratio is near 1.
// The record drifts like a bacterial chromosome: its C-G skew changes sign in the
// middle, so the walk makes a V. Target: each at most 3x the count, with peak memory
// that does not grow with the record.
//
//   bench_whole_record [--mb N] [--rounds N] [--batch PATH] [--dir DIR]
#include "child_process.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

// Writes one record of `bases` letters, 60 to a line, and its .fai; returns the
// position of the first base.
std::uint64_t WriteRecord(const fs::path& file, std::uint64_t bases)
{
    std::ofstream out(file, std::ios::binary);
    const std::string header = ">chrW whole record\n";
    out << header;
    std::uint64_t state = 0x9E3779B97F4A7C15ull;
    std::string line(61, '\n');
    for (std::uint64_t done = 0; done < bases;) {
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(60, bases - done));
        // C over G in the first half, G over C in the second; A and T even.
        const std::uint64_t skewed = done < bases / 2 ? 0 : 1;
        for (std::size_t i = 0; i < n; ++i) {
            state ^= state << 13, state ^= state >> 7, state ^= state << 17;
            const unsigned r = static_cast<unsigned>(state >> 40) % 1000;
            char base = r < 250 ? 'A' : r < 500 ? 'T' : r < 760 ? "CG"[skewed] : "GC"[skewed];
            if (r == 999)
                base = 'N';
            line[i] = base;
        }
        line[n] = '\n';
        out.write(line.data(), static_cast<std::streamsize>(n + 1));
        done += n;
    }
    std::ofstream(file.string() + ".fai") << "chrW\t" << bases << "\t" << header.size() << "\t60\t61\n";
    // Every non-blank byte of the header line is a token before the first base.
    return static_cast<std::uint64_t>(std::count_if(header.begin(), header.end(), [](char c) { return c > ' '; })) + 1;
}

// Writes `genome`'s bases again as 24 records sized like the human chromosomes (whole
// lines each, the last taking the rest), with its .fai: a copy of the lines, so quick.
void WriteGenomeShaped(const fs::path& genome, const fs::path& file, std::uint64_t bases)
{
    // GRCh38's chromosomes 1 to 22, X and Y, in hundreds of kilobases.
    static constexpr int kSizes[] = {2490, 2422, 1983, 1902, 1815, 1708, 1594, 1451, 1384, 1338, 1351, 1333,
                                     1144, 1070, 1020, 903,  833,  804,  586,  644,  467,  508,  1560, 572};
    std::uint64_t total = 0;
    for (const int s : kSizes)
        total += static_cast<std::uint64_t>(s);
    std::ifstream in(genome, std::ios::binary);
    std::string line;
    std::getline(in, line); // the single record's header
    std::ofstream out(file, std::ios::binary);
    std::ofstream fai(file.string() + ".fai");
    std::uint64_t done = 0;
    std::string text;
    for (std::size_t r = 0; r < std::size(kSizes); ++r) {
        const std::string name = "chr" + std::to_string(r + 1);
        std::uint64_t n = bases * static_cast<std::uint64_t>(kSizes[r]) / total / 60 * 60;
        if (r + 1 == std::size(kSizes))
            n = bases - done;
        out << '>' << name << '\n';
        fai << name << '\t' << n << '\t' << out.tellp() << "\t60\t61\n";
        text.resize(static_cast<std::size_t>(n + (n + 59) / 60));
        in.read(text.data(), static_cast<std::streamsize>(text.size()));
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        done += n;
    }
}

void Report(const char* what, const bench::ChildRun& run, const bench::ChildRun& count)
{
    std::printf("%s: %.3f s, CPU %.3f s, peak %.1f MB; ratio to the count %.2f wall, %.2f CPU (target <= 3)\n", what,
                run.seconds, run.cpu, static_cast<double>(run.peakKiB) / 1024, run.seconds / count.seconds,
                run.cpu / count.cpu);
}

// The best of each run over the rounds, with the peak memory of the last.
struct Timings {
    bench::ChildRun count, gallery, fit, overview, shapedCount, shaped, start, region;

    static void Take(bench::ChildRun& best, const bench::ChildRun& run)
    {
        best.Best(run);
        best.peakKiB = run.peakKiB;
    }

    void Round(const std::string& batch, const std::string& self, const fs::path& work, std::uint64_t first,
               std::uint64_t bases)
    {
        const std::string genome = (work / "genome.fa").string();
        count.Best(bench::Spawn({self, "--count", genome}));
        fs::remove_all(work / "out");
        Take(gallery, bench::Spawn({batch, "--sequence", genome, "--patterns", (work / "whole.pat").string(), "--size",
                                    "1", "--out", (work / "out").string()}));
        Take(fit, bench::Spawn(
                      {batch, "--view", genome, "--region", "chrW", "--fit", "--save", (work / "fit.bmp").string()}));
        fs::remove_all(work / "ov");
        Take(overview, bench::Spawn({batch, "--sequence", genome, "--overview", "--out", (work / "ov").string()}));
        const std::string shapedFile = (work / "genome24.fa").string();
        shapedCount.Best(bench::Spawn({self, "--count", shapedFile}));
        fs::remove_all(work / "ov24");
        Take(shaped, bench::Spawn({batch, "--sequence", shapedFile, "--overview", "--out", (work / "ov24").string()}));
        // Near the end, without the index: reaching it reads nearly the whole file.
        const std::uint64_t base = bases - 5000;
        fs::rename(genome + ".fai", work / "aside.fai");
        start.Best(bench::Spawn({batch, "--view", genome, "--start", std::to_string(first - 1 + base - 1), "--save",
                                 (work / "start.bmp").string()}));
        region.Best(bench::Spawn({batch, "--view", genome, "--region", "chrW:" + std::to_string(base), "--save",
                                  (work / "region.bmp").string()}));
        fs::rename(work / "aside.fai", genome + ".fai");
    }
};

} // namespace

int main(int argc, char** argv)
{
    bench::BatchBenchOptions options;
    options.megabytes = 250;
    options.rounds = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--count" && i + 1 < argc) { // the reference, in a process of its own
            std::printf("%llu\n", static_cast<unsigned long long>(bench::CountNonBlankSse2(argv[++i])));
            return 0;
        }
        if (!options.Read(argc, argv, i)) {
            std::fprintf(stderr, "usage: bench_whole_record [--mb N] [--rounds N] [--batch PATH] [--dir DIR]\n");
            return 2;
        }
    }
    const std::string batch = fs::absolute(options.batch).string();
    const std::string self = fs::canonical("/proc/self/exe").string();
    const fs::path work = options.base / ("lirovane_bench_whole_" + std::to_string(getpid()));
    fs::create_directories(work);
    const fs::path genome = work / "genome.fa";
    const std::uint64_t bases = options.megabytes * 1000000;
    const std::uint64_t first = WriteRecord(genome, bases);
    WriteGenomeShaped(genome, work / "genome24.fa", bases);
    std::ofstream(work / "whole.pat") << first << " " << first + bases << " 1\n";
    std::printf("record: %llu bases in %s\n", static_cast<unsigned long long>(bases), genome.c_str());

    Timings t;
    for (int round = 0; round < options.rounds; ++round)
        t.Round(batch, self, work, first, bases);
    const bench::ChildRun& count = t.count;
    std::printf("plain count: %.3f s, CPU %.3f s\n", count.seconds, count.cpu);
    Report("(1) gallery picture of the record", t.gallery, count);
    Report("(2) viewer, --fit with the .fai", t.fit, count);
    Report("(3) --overview", t.overview, count);
    std::printf("plain count of the 24-record genome: %.3f s, CPU %.3f s\n", t.shapedCount.seconds, t.shapedCount.cpu);
    Report("(3) --overview of the 24-record genome", t.shaped, t.shapedCount);
    std::printf("(4) without FILE.fai: --view --region %.3f s, --view --start %.3f s; ratio %.2f wall, %.2f CPU\n",
                t.region.seconds, t.start.seconds, t.region.seconds / t.start.seconds, t.region.cpu / t.start.cpu);
    std::error_code ec;
    fs::remove_all(work, ec);
    return 0;
}
