// Whole genomes: repeats past position 2^31, found in a sparse file whose hole holds
// 2^31 NUL characters (each one a position) without taking disk space. The file starts
// with a megabyte of bases, so that it reads as text.
#include "core/sequence/fasta_records.h"

#include "test_support.h"

namespace {

constexpr std::uint64_t kHole = (std::uint64_t{1} << 31) + 1000;
const std::string kLine = std::string(64, 'A') + "\n";
const std::size_t kLines = 16384;
const std::uint64_t kHeadPositions = 5 + 64 * kLines;      // ">chrA" and its bases
const std::string kTail = ">chrB\nACGTTTGACCAGTAAAGGTT\n"; // 5 + 20 positions

} // namespace

TEST(LargePositions, RepeatsPastTwoToTheThirtyOne)
{
    ScratchDir dir;
    const fs::path big = dir / "big.fa";
    std::string head = ">chrA\n";
    for (std::size_t i = 0; i < kLines; ++i)
        head += kLine;
    WriteFile(big, head);
    fs::resize_file(big, head.size() + kHole); // a hole: no blocks written
    {
        std::ofstream out(big, std::ios::binary | std::ios::app);
        out << "\n" << kTail;
    }
    const fs::path small = WriteFile(dir / "small.fa", kTail);
    const std::uint64_t shift = kHeadPositions + kHole; // positions before chrB's header in big.fa

    // The records of the big file, found in one pass.
    const auto records = ScanFastaRecords(big);
    ASSERT_TRUE(records);
    ASSERT_EQ(records->size(), 2u);
    EXPECT_EQ((*records)[1].name, "chrB");
    EXPECT_EQ((*records)[1].tokensBefore, shift + 5);
    EXPECT_EQ((*records)[1].bases, 20u);

    // The same stretch drawn from a pattern, from the .dat file, and in the small file.
    const struct {
        const char* name;
        std::string sequence;
        std::string patterns;
        const char* option;
        std::uint64_t start;
    } cases[] = {
        {"patterns", big.string(), std::to_string(shift + 8) + " " + std::to_string(shift + 23) + " 4\n", "--patterns",
         shift + 8},
        {"trf", big.string(),
         "Tandem Repeats Finder Program written by:\n\nSequence: chrB\n\nParameters: 2 7 7 80 10 50 500\n\n"
         "3 18 4 4.0 4 100 0 32 25 25 25 25 2.00 GTTT GTTTGACCAGTAAAGG\n",
         "--trf", shift + 8},
        {"small", small.string(), "8 23 4\n", "--patterns", 8},
    };
    std::string picture;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path out = dir / c.name;
        const fs::path patterns = WriteFile(dir / (std::string(c.name) + ".in"), c.patterns);
        const RunResult run =
            RunBatch(dir.Path(), {"--sequence", c.sequence, c.option, patterns, "--size", "4", "--out", out});
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(ReadFile(out / "starts.txt"), std::to_string(c.start) + "\r\n");
        const std::string bytes = ReadFile(out / (std::to_string(c.start) + ".bmp"));
        ASSERT_FALSE(bytes.empty());
        if (picture.empty())
            picture = bytes;
        EXPECT_EQ(bytes, picture);
    }

    // The viewer starts past 2^31 and reports indexes past it.
    const RunResult view =
        RunBatch(dir.Path(), {"--view", big, "--start", std::to_string(shift), "--save", dir / "v.bmp"});
    EXPECT_EQ(view.status, 0);
    EXPECT_EQ(view.out + view.err, "start " + std::to_string(shift) + " end " + std::to_string(shift + 20 + 1) + "\n");
}
