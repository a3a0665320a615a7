#include "io/token_reader.h"

#include "io_test_files.h"

#include <gtest/gtest.h>

#include <string>

namespace lirovane {
namespace {

using testing::ScratchDir;
using testing::WriteFile;

std::string Tokens(std::string_view content)
{
    std::string tokens;
    for (const char c : content)
        if (!IsBlank(static_cast<unsigned char>(c)))
            tokens.push_back(c);
    return tokens;
}

// Content whose tokens are their own position modulo 10, with blank runs of every
// length so that skips end on, before and after block and chunk edges.
std::string NumberedContent()
{
    std::string content;
    for (int i = 0; i < 30000; ++i) {
        content.push_back(static_cast<char>('0' + (i + 1) % 10));
        content.append(static_cast<std::size_t>(i % 7 == 0 ? i % 23 : 0), i % 2 ? ' ' : '\n');
    }
    return content;
}

class TokenReaderTest : public ::testing::TestWithParam<std::size_t> {};

TEST_P(TokenReaderTest, SkipReadNextAndSeekAgreeWithAPlainScan)
{
    ScratchDir dir("tokens");
    const std::string content = NumberedContent();
    const std::string tokens = Tokens(content);
    WriteFile(dir / "seq.txt", content);

    TokenReader reader(GetParam());
    ASSERT_TRUE(reader.Open(dir / "seq.txt"));
    std::uint64_t at = 0;
    const std::uint64_t steps[] = {0, 1, 4095, 4096, 4097, 9, 12000, 3};
    for (const std::uint64_t step : steps) {
        ASSERT_EQ(reader.Skip(step), step);
        at += step;
        ASSERT_EQ(reader.Consumed(), at);
        // The next token from a fresh reader positioned by the byte offset.
        TokenReader other(GetParam());
        ASSERT_TRUE(other.Open(dir / "seq.txt"));
        ASSERT_TRUE(other.Seek(reader.ByteOffset(), at));
        char c = 0;
        ASSERT_TRUE(other.Next(c));
        EXPECT_EQ(c, tokens[at]) << "after " << at;
        EXPECT_EQ(other.Consumed(), at + 1);
    }
    std::string out;
    EXPECT_EQ(reader.Read(100, out), 100u);
    EXPECT_EQ(out, tokens.substr(at, 100));
    at += 100;
    char c = 0;
    ASSERT_TRUE(reader.Next(c));
    EXPECT_EQ(c, tokens[at]);
    EXPECT_EQ(reader.Skip(1'000'000), tokens.size() - at - 1);
    EXPECT_EQ(reader.Consumed(), tokens.size());
    EXPECT_FALSE(reader.Next(c));
    EXPECT_EQ(reader.Read(5, out), 0u);
}

INSTANTIATE_TEST_SUITE_P(BlockSizes, TokenReaderTest,
                         ::testing::Values(std::size_t{1}, std::size_t{3}, std::size_t{4096}, std::size_t{5000},
                                           std::size_t{1} << 20));

TEST(TokenReader, UnopenableFiles)
{
    ScratchDir dir("tokens-missing");
    TokenReader reader;
    EXPECT_FALSE(reader.Open(dir / "missing"));
    EXPECT_FALSE(reader.Open(dir.Path()));
    EXPECT_FALSE(reader.IsOpen());
    char c = 0;
    EXPECT_FALSE(reader.Next(c));
    EXPECT_EQ(reader.Skip(3), 0u);
}

} // namespace
} // namespace lirovane
