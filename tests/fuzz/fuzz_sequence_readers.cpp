// The token reader and the viewer's letter reader with its offset index on arbitrary
// bytes, checked against plain scans (the .dat reader: fuzz_patterns).
//
// Input: 4 bytes of offset, 1 byte of block size, then the file.
#include "core/render/path_renderer.h"
#include "core/sequence/sequence_letters.h"
#include "core/sequence/token_offset_index.h"
#include "core/sequence/token_reader.h"

#include "fuzz_input_files.h"

#include <cstring>

using namespace lirovane;
using namespace lirovane::fuzz;

namespace {

std::string Tokens(std::string_view text)
{
    std::string tokens;
    for (const char c : text)
        if (!IsBlank(static_cast<unsigned char>(c)))
            tokens.push_back(c);
    return tokens;
}

std::string Letters(std::string_view tokens, std::size_t offset)
{
    std::string letters;
    for (std::size_t i = offset; i < tokens.size() && letters.size() < kViewerMaxLetters; ++i)
        if (std::strchr("ACGTacgt", tokens[i]) != nullptr && tokens[i] != '\0')
            letters.push_back(tokens[i]);
    return letters;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 5)
        return 0;
    std::uint32_t offset32 = 0;
    std::memcpy(&offset32, data, 4);
    const std::size_t blockSize = 1 + data[4];
    const std::string_view text = AsText(data + 5, size - 5);
    const std::string tokens = Tokens(text);
    const std::size_t offset = offset32 % (tokens.size() + 3);
    const auto file = WriteScratch("sequence.fa", text);

    // Skip, then Seek a second reader to where the first stands, then read on with both.
    TokenReader reader(blockSize);
    LIROVANE_FUZZ_CHECK(reader.Open(file));
    const std::uint64_t skipped = reader.Skip(offset);
    LIROVANE_FUZZ_CHECK(skipped == std::min(offset, tokens.size()));
    LIROVANE_FUZZ_CHECK(reader.Position().point + reader.Position().skip <= text.size());
    TokenReader other(blockSize % 7 + 1);
    LIROVANE_FUZZ_CHECK(other.Open(file));
    LIROVANE_FUZZ_CHECK(other.Seek(reader.Position(), skipped));
    std::string read;
    reader.Read(17, read);
    LIROVANE_FUZZ_CHECK(read == tokens.substr(static_cast<std::size_t>(skipped), 17));
    char c = 0;
    for (std::size_t i = static_cast<std::size_t>(skipped); i < tokens.size(); ++i) {
        LIROVANE_FUZZ_CHECK(other.Next(c) && c == tokens[i]);
        LIROVANE_FUZZ_CHECK(other.Consumed() == i + 1);
    }
    LIROVANE_FUZZ_CHECK(!other.Next(c));

    // Letters with a tiny stride, so that the index is built and used on short inputs.
    TokenOffsetIndex index(1 + data[4] % 5);
    const std::string expected = Letters(tokens, offset);
    LIROVANE_FUZZ_CHECK(ReadSequenceLetters(file, static_cast<std::int64_t>(offset), index).value() == expected);
    LIROVANE_FUZZ_CHECK(ReadSequenceLetters(file, static_cast<std::int64_t>(offset), index).value() == expected);
    LIROVANE_FUZZ_CHECK(ReadSequenceLetters(file, 0, index).value() == Letters(tokens, 0));
    return 0;
}
