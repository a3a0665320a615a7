// Reading speed of the io layer on a 64 MB single-record FASTA file with 60-column
// lines, each figure against a plain reference measured in the same run.
#include "core/intervals/position_list.h"
#include "core/sequence/sequence_letters.h"
#include "core/sequence/token_offset_index.h"
#include "core/sequence/token_reader.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

using namespace lirovane;

namespace {

template <typename F> double Seconds(int repeats, F&& f)
{
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < repeats; ++i)
        f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / repeats;
}

volatile std::uint64_t g_sink = 0;

// The reference: 1 MiB reads and a plain per-byte count of non-blank bytes.
std::uint64_t PlainCount(const std::filesystem::path& file)
{
    std::FILE* f = std::fopen(file.c_str(), "rb");
    std::vector<char> block(std::size_t{1} << 20);
    std::uint64_t n = 0;
    for (std::size_t len; (len = std::fread(block.data(), 1, block.size(), f)) > 0;)
        for (std::size_t i = 0; i < len; ++i)
            n += IsBlank(static_cast<unsigned char>(block[i])) ? 0u : 1u;
    std::fclose(f);
    return n;
}

void WriteGenome(const std::filesystem::path& file, std::size_t bases)
{
    std::mt19937 rng(1);
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << ">chrBench synthetic single record\n";
    std::string line(60, 'A');
    for (std::size_t done = 0; done < bases; done += line.size()) {
        for (char& c : line)
            c = "ACGTacgtN"[rng() % 9];
        out << line << '\n';
    }
}

} // namespace

int main()
{
    const auto dir = std::filesystem::temp_directory_path() / "lirovane-bench-io";
    std::filesystem::create_directories(dir);
    const auto genome = dir / "genome.fa";
    WriteGenome(genome, 64'000'000);
    const auto bytes = std::filesystem::file_size(genome);

    const double plain = Seconds(3, [&] { g_sink = PlainCount(genome); });
    const double skip = Seconds(3, [&] {
        TokenReader reader;
        g_sink = reader.Open(genome) ? reader.Skip(UINT64_MAX) : 0;
    });
    std::printf("count tokens of %.1f MB: TokenReader::Skip %.1f ms, plain loop %.1f ms, ratio %.2f\n",
                static_cast<double>(bytes) / 1e6, skip * 1e3, plain * 1e3, skip / plain);

    // The viewer's redraw: letters at start index 0 and 60,000,000.
    TokenOffsetIndex::Global().Clear();
    const double first = Seconds(1, [&] { g_sink = ReadSequenceLetters(genome, 60'000'000).value().size(); });
    const double shallow = Seconds(20, [&] { g_sink = ReadSequenceLetters(genome, 0).value().size(); });
    const double deep = Seconds(20, [&] { g_sink = ReadSequenceLetters(genome, 60'000'000).value().size(); });
    std::printf("letters at 60,000,000: %.2f ms (first read, learns the offsets %.1f ms), at 0: %.2f ms, ratio %.2f\n",
                deep * 1e3, first * 1e3, shallow * 1e3, deep / shallow);

    // Position lists: 200,000 positions loaded.
    std::vector<std::int64_t> positions(200'000);
    std::mt19937 rng(2);
    for (std::int64_t& p : positions)
        p = static_cast<std::int64_t>(rng() % 64'000'000);
    {
        std::ofstream out(dir / "starts.txt", std::ios::binary | std::ios::trunc);
        for (const std::int64_t p : positions)
            out << p << "\r\n";
    }
    PositionList list;
    const double load = Seconds(3, [&] { static_cast<void>(LoadPositionList(dir / "starts.txt", list)); });
    std::printf("200,000 positions: load %.1f ms\n", load * 1e3);

    std::filesystem::remove_all(dir);
    return 0;
}
