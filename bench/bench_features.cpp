// Features against patterns, and the annotation reader against reading its file.
//
//   bench_features [--features N] [--lines N] [--rounds N] [--batch PATH] [--dir DIR]
//
// 1. The real lirovane-batch as a child process, timed from start to exit: a gallery of
//    --features features of a BED file (half of them on the minus strand, so drawn from
//    their reverse complement) against a patterns file of the same intervals (default
//    10,000 each; target: at most 1.2x).
// 2. ReadFeatures, each run in a fresh process, over a generated GFF3 of --lines lines
//    (default 3,000,000) with --type gene (a tenth of the lines) and with every type, and
//    over a BED6 of the same intervals, each against a process that reads the same file
//    and counts its lines (target: at least half that speed), in CPU time; plain and
//    gzip-compressed. The peak memory of --type gene shows it does not grow with the file.
// Every figure is the best of --rounds runs (default 3), the cases interleaved.
#include "child_process.h"

#include "core/intervals/feature_file.h"
#include "core/sequence/byte_source.h"

#include <htslib/bgzf.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
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

// A GFF3 of `lines` lines over five records one after another, and a BED6 of the same
// intervals; with `gz`, gzip-compressed.
void WriteAnnotations(const fs::path& gff, const fs::path& bed, std::uint64_t lines, bool gz)
{
    BGZF* g = bgzf_open(gff.c_str(), gz ? "wg" : "wu");
    BGZF* b = bgzf_open(bed.c_str(), gz ? "wg" : "wu");
    if (g == nullptr || b == nullptr)
        Die("cannot write " + gff.string());
    std::string text = "##gff-version 3\n";
    std::string bedText;
    // As in a whole-genome annotation: a gene, its mRNA, and exons and CDS parts.
    const char* types[] = {"gene", "mRNA", "exon", "CDS", "exon", "CDS", "exon", "CDS", "exon", "CDS"};
    for (std::uint64_t i = 0; i < lines; ++i) {
        const std::string record = "chr" + std::to_string(i * 5 / lines);
        const std::uint64_t start = 1 + (i * 37) % 900000000;
        const char strand = i % 2 ? '-' : '+';
        text += record + "\tbench\t" + types[i % 10] + '\t' + std::to_string(start) + '\t' +
                std::to_string(start + 500) + "\t.\t" + strand + "\t.\tID=feature" + std::to_string(i) + ";Name=F" +
                std::to_string(i) + "%2C1\n";
        bedText += record + '\t' + std::to_string(start - 1) + '\t' + std::to_string(start + 500) + "\tF" +
                   std::to_string(i) + "\t0\t" + strand + '\n';
        if (text.size() > (1 << 20) || i + 1 == lines) {
            if (bgzf_write(g, text.data(), text.size()) < 0 || bgzf_write(b, bedText.data(), bedText.size()) < 0)
                Die("cannot write " + gff.string());
            text.clear();
            bedText.clear();
        }
    }
    if (bgzf_close(g) != 0 || bgzf_close(b) != 0)
        Die("cannot write " + gff.string());
}

// The child processes: "read FILE" reads the file and counts its lines, what any reader
// of it must at least do; "gff FILE TYPES" and "bed FILE" read its features (TYPES is a
// comma-separated list, or "all").
int Child(const std::string& mode, const fs::path& file, const std::string& types)
{
    if (mode == "read") {
        auto source = OpenByteSource(file);
        if (!source)
            Die(source.Message());
        std::vector<char> block(std::size_t{1} << 20);
        std::uint64_t lines = 0;
        for (std::size_t got; (got = (*source)->Read(block.data(), block.size())) > 0;)
            lines += static_cast<std::uint64_t>(std::count(block.data(), block.data() + got, '\n'));
        std::printf("%llu\n", static_cast<unsigned long long>(lines));
        return 0;
    }
    std::vector<FastaRecord> records;
    for (int r = 0; r < 5; ++r)
        records.push_back({"chr" + std::to_string(r), true, 0, 1000000000});
    FeatureQuery query{file, mode == "bed" ? FeatureFormat::Bed : FeatureFormat::Gff3, {}};
    for (std::size_t at = 0; mode == "gff" && types != "all" && at <= types.size();) {
        const std::size_t comma = std::min(types.find(',', at), types.size());
        query.types.push_back(types.substr(at, comma - at));
        at = comma + 1;
    }
    const auto set = ReadFeatures(query, records, "genome.fa");
    if (!set)
        Die(set.Message());
    std::printf("%zu\n", set->features.size());
    return 0;
}

// Each case's best CPU time over `rounds` fresh processes, the cases interleaved.
void CompareParsing(const fs::path& dir, std::uint64_t lines, int rounds)
{
    const std::string self = fs::read_symlink("/proc/self/exe").string();
    std::printf("Annotations of %llu lines, CPU time of a fresh process, speed against reading and counting lines "
                "(target >= 0.5):\n",
                static_cast<unsigned long long>(lines));
    for (const bool gz : {false, true}) {
        const fs::path gff = dir / (gz ? "a.gff3.gz" : "a.gff3");
        const fs::path bed = dir / (gz ? "a.bed.gz" : "a.bed");
        WriteAnnotations(gff, bed, lines, gz);
        const std::vector<std::vector<std::string>> cases = {{"read", gff.string(), ""},
                                                             {"gff", gff.string(), "gene"},
                                                             {"gff", gff.string(), "all"},
                                                             {"read", bed.string(), ""},
                                                             {"bed", bed.string(), ""}};
        std::vector<bench::ChildRun> best(cases.size());
        for (int round = 0; round < rounds; ++round)
            for (std::size_t c = 0; c < cases.size(); ++c) {
                const bench::ChildRun run = bench::Spawn({self, "--child", cases[c][0], cases[c][1], cases[c][2]});
                best[c].Best(run);
                best[c].peakKiB = run.peakKiB;
            }
        const char* kind = gz ? "gzip" : "plain";
        std::printf("  GFF3 %-5s (%4.0f MB): read %.3f s; --type gene (a tenth kept) %.3f s: %.2f; every type %.3f s: "
                    "%.2f\n",
                    kind, static_cast<double>(fs::file_size(gff)) / (1 << 20), best[0].cpu, best[1].cpu,
                    best[0].cpu / best[1].cpu, best[2].cpu, best[0].cpu / best[2].cpu);
        std::printf("    peak memory: read %ld MB, --type gene %ld MB\n", best[0].peakKiB / 1024,
                    best[1].peakKiB / 1024);
        std::printf("  BED6 %-5s (%4.0f MB): read %.3f s; every line kept %.3f s: %.2f\n", kind,
                    static_cast<double>(fs::file_size(bed)) / (1 << 20), best[3].cpu, best[4].cpu,
                    best[3].cpu / best[4].cpu);
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 5 && std::string(argv[1]) == "--child")
        return Child(argv[2], argv[3], argv[4]);
    int features = 10000;
    std::uint64_t gffLines = 3000000;
    bench::BatchBenchOptions options; // --rounds, --batch and --dir
    options.rounds = 3;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--features" && i + 1 < argc)
            features = std::atoi(argv[++i]);
        else if (option == "--lines" && i + 1 < argc)
            gffLines = std::strtoull(argv[++i], nullptr, 10);
        else if ((option != "--rounds" && option != "--batch" && option != "--dir") || !options.Read(argc, argv, i))
            Die("unknown option " + option);
    }
    if (features < 1 || gffLines < 1)
        Die("--features and --lines must be positive");
    const int rounds = options.rounds;
    const std::string& batch = options.batch;

    const fs::path dir = options.base / ("lirovane_bench_features_" + std::to_string(getpid()));
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

    CompareParsing(dir, gffLines, rounds);
    fs::remove_all(dir);
    return 0;
}
