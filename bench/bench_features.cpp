// Features against patterns, and the annotation reader against reading its file.
//
//   bench_features [--features N] [--lines N] [--rounds N] [--batch PATH] [--dir DIR]
//
// 1. The real lirovane-batch as a child process, timed from start to exit: a gallery of
//    --features features of a BED file (half of them on the minus strand, so drawn from
//    their reverse complement) against a patterns file of the same intervals (default
//    10,000 each; target: at most 1.2x).
// 2. ReadFeatures over a generated GFF3 of --lines lines (default 3,000,000) with
//    --type gene (a tenth of the lines) and with every type, against reading the same
//    file and counting its lines (target: at least half that speed), in CPU time.
// Every figure is the best of --rounds runs (default 3), the cases interleaved.
#include "child_process.h"

#include "core/intervals/feature_file.h"
#include "core/sequence/byte_source.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace lirovane;

namespace {

[[noreturn]] void Die(const std::string& what)
{
    std::fprintf(stderr, "bench_features: %s\n", what.c_str());
    std::exit(1);
}

constexpr std::string_view kHeader = ">chrB synthetic\n"; // 14 tokens before the first base

// One record of random bases in 60-column lines.
void WriteSequence(const fs::path& file, std::uint64_t bases)
{
    std::ofstream out(file, std::ios::binary);
    out << kHeader;
    std::mt19937_64 random(42);
    std::string line(61, '\n');
    for (std::uint64_t written = 0; written < bases; written += 60) {
        for (std::size_t i = 0; i < 60; ++i)
            line[i] = "ACGT"[random() & 3];
        out << line;
    }
}

// `count` intervals apart from each other, 200 to 1,200 bases each, as a BED file and as
// a patterns file of the same bases (positions count the header's tokens).
void WriteIntervals(const fs::path& bed, const fs::path& patterns, int count)
{
    std::ofstream b(bed, std::ios::binary);
    std::ofstream p(patterns, std::ios::binary);
    std::mt19937 random(7);
    std::uint64_t at = 1000;
    for (int i = 0; i < count; ++i) {
        const std::uint64_t length = 200 + random() % 1000;
        b << "chrB\t" << at << '\t' << at + length << "\tf" << i << "\t0\t" << (i % 2 ? '-' : '+') << '\n';
        const std::uint64_t position = at + 14 + 1;
        p << position << ' ' << position + length << " 5\r\n";
        at += length + 50;
    }
}

// A GFF3 of `lines` lines over five records one after another.
void WriteGff(const fs::path& file, std::uint64_t lines)
{
    std::ofstream out(file, std::ios::binary);
    out << "##gff-version 3\n";
    // As in a whole-genome annotation: a gene, its mRNA, and exons and CDS parts.
    const char* types[] = {"gene", "mRNA", "exon", "CDS", "exon", "CDS", "exon", "CDS", "exon", "CDS"};
    for (std::uint64_t i = 0; i < lines; ++i) {
        const std::uint64_t start = 1 + (i * 37) % 900000000;
        out << "chr" << i * 5 / lines << "\tbench\t" << types[i % 10] << '\t' << start << '\t' << start + 500 << "\t.\t"
            << (i % 2 ? '-' : '+') << "\t.\tID=feature" << i << ";Name=F" << i << "%2C1\n";
    }
}

// CPU time since `c0`: on a machine shared with other work the steadier figure.
double Seconds(std::clock_t c0)
{
    return static_cast<double>(std::clock() - c0) / CLOCKS_PER_SEC;
}

// Reads the file and counts its lines: what any reader of it must at least do.
double ReadLines(const fs::path& file, std::uint64_t& lines)
{
    const std::clock_t c0 = std::clock();
    auto source = OpenByteSource(file);
    if (!source)
        Die(source.Message());
    std::vector<char> block(std::size_t{1} << 20);
    lines = 0;
    for (std::size_t got; (got = (*source)->Read(block.data(), block.size())) > 0;)
        lines += static_cast<std::uint64_t>(std::count(block.data(), block.data() + got, '\n'));
    return Seconds(c0);
}

double ParseFeatures(const fs::path& file, const std::vector<std::string>& types, std::size_t& kept)
{
    std::vector<FastaRecord> records;
    for (int r = 0; r < 5; ++r)
        records.push_back({"chr" + std::to_string(r), true, 0, 1000000000});
    const std::clock_t c0 = std::clock();
    const auto set = ReadFeatures({file, FeatureFormat::Gff3, types}, records, "genome.fa");
    if (!set)
        Die(set.Message());
    kept = set->features.size();
    return Seconds(c0);
}

} // namespace

int main(int argc, char** argv)
{
    int features = 10000;
    std::uint64_t gffLines = 3000000;
    int rounds = 3;
    std::string batch = LIROVANE_BATCH_PATH;
    fs::path base = fs::temp_directory_path();
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--features")
            features = std::atoi(argv[i + 1]);
        else if (option == "--lines")
            gffLines = std::strtoull(argv[i + 1], nullptr, 10);
        else if (option == "--rounds")
            rounds = std::atoi(argv[i + 1]);
        else if (option == "--batch")
            batch = argv[i + 1];
        else if (option == "--dir")
            base = argv[i + 1];
        else
            Die("unknown option " + option);
    }
    if (features < 1 || gffLines < 1 || rounds < 1)
        Die("--features, --lines and --rounds must be positive");

    const fs::path dir = base / ("lirovane_bench_features_" + std::to_string(getpid()));
    fs::create_directories(dir);
    const fs::path sequence = dir / "genome.fa";
    WriteSequence(sequence, static_cast<std::uint64_t>(features) * 800 + 10000);
    WriteIntervals(dir / "f.bed", dir / "f.pat", features);
    bench::ChildRun bed;
    bench::ChildRun patterns;
    for (int round = 0; round < rounds; ++round) {
        for (const char* out : {"bed", "pat"})
            fs::remove_all(dir / out);
        patterns.Best(bench::Spawn({batch, "--sequence", sequence.string(), "--patterns", (dir / "f.pat").string(),
                                    "--size", "5", "--out", (dir / "pat").string()}));
        bed.Best(bench::Spawn({batch, "--sequence", sequence.string(), "--bed", (dir / "f.bed").string(), "--out",
                               (dir / "bed").string()}));
    }
    std::printf("%d features, half on the minus strand, against a patterns file of the same intervals\n", features);
    std::printf("  --patterns %.3f s, CPU %.3f s\n  --bed      %.3f s, CPU %.3f s\n", patterns.seconds, patterns.cpu,
                bed.seconds, bed.cpu);
    std::printf("  ratio features / patterns: %.2f wall, %.2f CPU (target <= 1.2)\n", bed.seconds / patterns.seconds,
                bed.cpu / patterns.cpu);

    WriteGff(dir / "a.gff3", gffLines);
    double read = 1e9;
    double genes = 1e9;
    double all = 1e9;
    std::uint64_t lines = 0;
    std::size_t keptGenes = 0;
    std::size_t keptAll = 0;
    for (int round = 0; round < rounds; ++round) {
        read = std::min(read, ReadLines(dir / "a.gff3", lines));
        genes = std::min(genes, ParseFeatures(dir / "a.gff3", {"gene"}, keptGenes));
        all = std::min(all, ParseFeatures(dir / "a.gff3", {}, keptAll));
    }
    const double megabytes = static_cast<double>(fs::file_size(dir / "a.gff3")) / (1 << 20);
    std::printf("GFF3 of %llu lines (%.0f MB), CPU time: reading and counting lines %.3f s (%.0f MB/s)\n",
                static_cast<unsigned long long>(lines), megabytes, read, megabytes / read);
    std::printf("  ReadFeatures --type gene (%zu kept) %.3f s: speed / reading %.2f (target >= 0.5)\n", keptGenes,
                genes, read / genes);
    std::printf("  ReadFeatures, every type (%zu kept) %.3f s: speed / reading %.2f\n", keptAll, all, read / all);
    fs::remove_all(dir);
    return 0;
}
