#include "io/sequence_letters.h"
#include "io/token_offset_index.h"

#include "io_test_files.h"

#include <gtest/gtest.h>

#include <chrono>
#include <ostream>
#include <random>
#include <string>

namespace lirovane {
namespace {

using testing::ScratchDir;
using testing::WriteFile;

// What a plain scan of the whole content gives.
std::string Reference(std::string_view content, std::int64_t offset)
{
    std::string letters;
    std::int64_t token = 0;
    for (const char c : content) {
        if (c == ' ' || (c >= '\t' && c <= '\r'))
            continue;
        if (token++ < offset)
            continue;
        if (std::string_view("ACGTacgt").find(c) != std::string_view::npos)
            letters.push_back(c);
        if (letters.size() == kMaxViewerLetters)
            break;
    }
    return letters;
}

struct LettersCase {
    const char* name;
    const char* content;
    std::int64_t offset;
    const char* letters;
};

void PrintTo(const LettersCase& c, std::ostream* os)
{
    *os << c.name;
}

const LettersCase kLettersCases[] = {
    {"HeaderLine", ">chr1 gene\nACGT\n", 0, "cgACGT"},
    {"SkipsTokensOfAnyKind", "A C G T N N A C", 3, "TAC"},
    {"OffsetAtEnd", "A C G T N N A C", 8, ""},
    {"OffsetBeyondEnd", "A C G T N N A C", 100, ""},
    {"NegativeOffset", "ac\r\ngt", -4, "acgt"},
    {"OnlyOtherTokens", "NNNN\n>x y z\n", 0, ""},
    {"Empty", "", 0, ""},
    {"BlanksOfEveryKind", "a\tc\vg\ft\r\nA C", 1, "cgtAC"},
};

class ReadSequenceLettersTest : public ::testing::TestWithParam<LettersCase> {};

TEST_P(ReadSequenceLettersTest, KeepsLettersAfterTheOffset)
{
    const LettersCase& c = GetParam();
    ScratchDir dir("letters");
    WriteFile(dir / "seq.fa", c.content);
    EXPECT_EQ(ReadSequenceLetters(dir / "seq.fa", c.offset), c.letters);
}

INSTANTIATE_TEST_SUITE_P(Cases, ReadSequenceLettersTest, ::testing::ValuesIn(kLettersCases),
                         [](const auto& test) { return std::string(test.param.name); });

TEST(ReadSequenceLetters, UnreadableFileAndLetterCap)
{
    std::string content(kMaxViewerLetters + 1, 'g');
    content.back() = 'T';
    ScratchDir dir("letters-cap");
    EXPECT_EQ(ReadSequenceLetters(dir / "missing.fa", 0), "");
    EXPECT_EQ(ReadSequenceLetters(dir.Path(), 0), "");
    WriteFile(dir / "seq.fa", content);
    EXPECT_EQ(ReadSequenceLetters(dir / "seq.fa", 0), std::string(kMaxViewerLetters, 'g'));
    EXPECT_EQ(ReadSequenceLetters(dir / "seq.fa", 1), content.substr(1));
}

// A mixed file of a few MB: lines of varied width and blank runs, header lines,
// non-letter tokens, so that remembered offsets fall anywhere in the 1 MiB blocks.
std::string MixedContent(unsigned seed, std::size_t bytes)
{
    std::mt19937 random(seed);
    const std::string_view tokens = "ACGTACGTacgtNn>|x1";
    const std::string_view blanks = " \t\n\r\v\f";
    std::string content;
    content.reserve(bytes);
    while (content.size() < bytes) {
        const auto r = static_cast<unsigned>(random() % 1000);
        if (r < 900)
            content.push_back(tokens[random() % tokens.size()]);
        else if (r < 998)
            content.push_back(blanks[random() % blanks.size()]);
        else
            content.append(random() % 200, r == 998 ? ' ' : '\n');
    }
    return content;
}

TEST(ReadSequenceLetters, OffsetIndexGivesWhatAPlainScanGives)
{
    ScratchDir dir("letters-index");
    const auto file = dir / "seq.fa";
    std::string content = MixedContent(1, 4'000'000);
    WriteFile(file, content);

    TokenOffsetIndex index(1000);
    // Deep first, then shallow, then deeper than ever, then around stride marks.
    const std::int64_t offsets[] = {2'000'000, 5,         999,       1000,    1001,      1'048'575,
                                    1'048'576, 1'048'577, 2'400'000, 123'457, 2'399'000, 10'000'000};
    for (const std::int64_t offset : offsets)
        ASSERT_EQ(ReadSequenceLetters(file, offset, index), Reference(content, offset)) << offset;
    EXPECT_GE(index.Checkpoints(file), 2000u);

    // Same size, new content, later modification time: the offsets are forgotten.
    content = MixedContent(2, content.size());
    WriteFile(file, content);
    std::filesystem::last_write_time(file, std::filesystem::last_write_time(file) + std::chrono::seconds(5));
    EXPECT_EQ(index.Checkpoints(file), 0u);
    for (const std::int64_t offset : offsets)
        ASSERT_EQ(ReadSequenceLetters(file, offset, index), Reference(content, offset)) << offset;

    // A shorter file, written within the same second, read through the global index.
    content = MixedContent(3, 1'500'000);
    WriteFile(file, content);
    for (const std::int64_t offset : offsets) {
        ASSERT_EQ(ReadSequenceLetters(file, offset, index), Reference(content, offset)) << offset;
        ASSERT_EQ(ReadSequenceLetters(file, offset), Reference(content, offset)) << offset;
    }
}

} // namespace
} // namespace lirovane
