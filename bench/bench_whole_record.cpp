// A whole 250 Mb record drawn as one picture, against a plain count of the file's
// non-blank bytes, each a fresh process, timed in the same run:
//   (1) the gallery's picture of a patterns record spanning the record;
//   (2) `--view FILE --region chrW --fit` with FILE.fai beside it;
//   (3) `--overview` of the file, and of a genome-shaped file of its own, 3100 MB by
//       default like a human genome: 24 records whose sizes follow the human
//       chromosomes' proportions;
//   (4) `--view --region chrW:POS` near the record's end without FILE.fai, against
//       `--view --start` of the same token: the record table and the way to the start
//       come from one pass, so the ratio is near 1.
// The bases drift like a bacterial chromosome: the C-G skew changes sign halfway
// through each file, so the walk makes a V. Both files are written in 1 MB chunks by a
// bench process that stays small (a child's peak memory includes the bench's at its
// start). Target: each at most 3x the count, with peak memory that does not grow with
// the record.
//
//   bench_whole_record [--mb N] [--genome-mb N] [--rounds N] [--batch PATH] [--dir DIR]
#include "child_process.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// 1 MB of whole lines: the files are written in large chunks, as gzip -d or a download
// writes them, so the page cache holds every file alike and the same bytes read alike.
constexpr std::size_t kChunk = 61 * 16384;

// The bases, a xorshift walk that drifts like a bacterial chromosome: C over G in the
// first half of the file's bases, G over C in the second (so the walk makes a V); A
// and T even, one N in a thousand.
class Bases {
public:
    explicit Bases(std::uint64_t total) : half_(total / 2)
    {
        for (int s = 0; s < 2; ++s)
            for (unsigned r = 0; r < 1000; ++r)
                table_[s][r] = r == 999 ? 'N' : r < 250 ? 'A' : r < 500 ? 'T' : r < 760 ? "CG"[s] : "GC"[s];
    }

    // Appends the next `n` bases to `text`, with the skew of the first.
    void Append(std::string& text, std::size_t n)
    {
        const char* table = table_[done_ < half_ ? 0 : 1];
        const std::size_t at = text.size();
        text.resize(at + n);
        char* out = text.data() + at;
        for (std::size_t i = 0; i < n; ++i) {
            state_ ^= state_ << 13, state_ ^= state_ >> 7, state_ ^= state_ << 17;
            out[i] = table[static_cast<unsigned>(state_ >> 40) % 1000];
        }
        done_ += n;
    }

private:
    std::uint64_t state_ = 0x9E3779B97F4A7C15ull;
    std::uint64_t done_ = 0;
    std::uint64_t half_;
    char table_[2][1000] = {};
};

struct Record {
    std::string title; // the header line after '>': the name, then an optional description
    std::uint64_t bases;
};

// Writes the records, 60 bases to a line, in chunks of kChunk bytes, and the file's .fai:
// the bench process stays small, as a child's peak memory includes the bench's at start.
void WriteFasta(const fs::path& file, const std::vector<Record>& records)
{
    std::uint64_t total = 0;
    for (const Record& r : records)
        total += r.bases;
    Bases bases(total);
    std::ofstream out(file, std::ios::binary);
    std::ofstream fai(file.string() + ".fai");
    std::string text;
    text.reserve(kChunk + 256);
    std::uint64_t offset = 0;
    const auto flush = [&] {
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        offset += text.size();
        text.clear();
    };
    for (const Record& r : records) {
        text += '>' + r.title + '\n';
        fai << r.title.substr(0, r.title.find(' ')) << '\t' << r.bases << '\t' << offset + text.size() << "\t60\t61\n";
        for (std::uint64_t done = 0; done < r.bases;) {
            const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(60, r.bases - done));
            bases.Append(text, n);
            text += '\n';
            done += n;
            if (text.size() >= kChunk)
                flush();
        }
    }
    flush();
}

// 24 records sized like the human chromosomes (whole lines each, the last taking the
// rest), `bases` in all.
std::vector<Record> GenomeShaped(std::uint64_t bases)
{
    // GRCh38's chromosomes 1 to 22, X and Y, in hundreds of kilobases.
    static constexpr int kSizes[] = {2490, 2422, 1983, 1902, 1815, 1708, 1594, 1451, 1384, 1338, 1351, 1333,
                                     1144, 1070, 1020, 903,  833,  804,  586,  644,  467,  508,  1560, 572};
    std::uint64_t total = 0;
    for (const int s : kSizes)
        total += static_cast<std::uint64_t>(s);
    std::vector<Record> records;
    std::uint64_t done = 0;
    for (std::size_t r = 0; r < std::size(kSizes); ++r) {
        std::uint64_t n = bases * static_cast<std::uint64_t>(kSizes[r]) / total / 60 * 60;
        if (r + 1 == std::size(kSizes))
            n = bases - done;
        records.push_back({"chr" + std::to_string(r + 1), n});
        done += n;
    }
    return records;
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
        Take(shaped, bench::Spawn({batch, "--sequence", shapedFile, "--overview", "--out", (work / "ov24").string()}));
        fs::remove_all(work / "ov24");
        // Near the end, without the index: reaching it reads nearly the whole file.
        const std::uint64_t base = bases - 5000;
        fs::rename(genome + ".fai", work / "aside.fai");
        start.Best(bench::Spawn({batch, "--view", genome, "--start", std::to_string(first - 1 + base - 1), "--save",
                                 (work / "start.bmp").string()}));
        region.Best(bench::Spawn({batch, "--view", genome, "--region", "chrW:" + std::to_string(base), "--save",
                                  (work / "region.bmp").string()}));
        fs::rename(work / "aside.fai", genome + ".fai");
    }

    void Print(std::uint64_t genomeMb) const
    {
        std::printf("plain count: %.3f s, CPU %.3f s\n", count.seconds, count.cpu);
        Report("(1) gallery picture of the record", gallery, count);
        Report("(2) viewer, --fit with the .fai", fit, count);
        Report("(3) --overview", overview, count);
        const std::string genome = "the 24-record " + std::to_string(genomeMb) + " MB genome";
        std::printf("plain count of %s: %.3f s, CPU %.3f s\n", genome.c_str(), shapedCount.seconds, shapedCount.cpu);
        Report(("(3) --overview of " + genome).c_str(), shaped, shapedCount);
        std::printf("(4) without FILE.fai: --view --region %.3f s, --view --start %.3f s; ratio %.2f wall, %.2f CPU\n",
                    region.seconds, start.seconds, region.seconds / start.seconds, region.cpu / start.cpu);
    }
};

// The scratch folder, removed at exit, also when a failing child ends the bench: its
// files take gigabytes.
fs::path g_work;

void RemoveWork()
{
    std::error_code ec;
    fs::remove_all(g_work, ec);
}

} // namespace

int main(int argc, char** argv)
{
    bench::BatchBenchOptions options;
    options.megabytes = 250;
    options.rounds = 1;
    std::uint64_t genomeMb = 3100;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--count" && i + 1 < argc) { // the reference, in a process of its own
            std::printf("%llu\n", static_cast<unsigned long long>(bench::CountNonBlankSse2(argv[++i])));
            return 0;
        }
        if (arg == "--genome-mb" && i + 1 < argc) {
            genomeMb = std::strtoull(argv[++i], nullptr, 10);
        } else if (!options.Read(argc, argv, i)) {
            std::fprintf(stderr, "usage: bench_whole_record [--mb N] [--genome-mb N] [--rounds N] [--batch PATH] "
                                 "[--dir DIR]\n");
            return 2;
        }
    }
    const std::string batch = fs::absolute(options.batch).string();
    const std::string self = fs::canonical("/proc/self/exe").string();
    const fs::path work = options.base / ("lirovane_bench_whole_" + std::to_string(getpid()));
    fs::create_directories(work);
    g_work = work;
    std::atexit(RemoveWork);
    const fs::path genome = work / "genome.fa";
    const std::uint64_t bases = options.megabytes * 1000000;
    const std::string header = ">chrW whole record";
    WriteFasta(genome, {{header.substr(1), bases}});
    // Every non-blank byte of the header line is a token before the first base.
    const std::uint64_t first =
        static_cast<std::uint64_t>(std::count_if(header.begin(), header.end(), [](char c) { return c > ' '; })) + 1;
    const fs::path shaped = work / "genome24.fa";
    WriteFasta(shaped, GenomeShaped(genomeMb * 1000000));
    std::ofstream(work / "whole.pat") << first << " " << first + bases << " 1\n";
    std::printf("record: %llu bases in %s\n", static_cast<unsigned long long>(bases), genome.c_str());
    std::printf("genome: 24 records, %llu bases (%llu MB) in %s\n", static_cast<unsigned long long>(genomeMb * 1000000),
                static_cast<unsigned long long>(genomeMb), shaped.c_str());

    Timings t;
    for (int round = 0; round < options.rounds; ++round)
        t.Round(batch, self, work, first, bases);
    t.Print(genomeMb);
    return 0;
}
