#include "core/io/sequence_letters.h"

#include "core/io/token_offset_index.h"
#include "core/io/token_reader.h"

#include <string_view>

namespace lirovane {

namespace {

constexpr bool IsBaseLetter(char c) noexcept
{
    return std::string_view("ACGTacgt").find(c) != std::string_view::npos;
}

} // namespace

std::string ReadSequenceLetters(const std::filesystem::path& file, std::int64_t offset)
{
    return ReadSequenceLetters(file, offset, TokenOffsetIndex::Global());
}

std::string ReadSequenceLetters(const std::filesystem::path& file, std::int64_t offset, TokenOffsetIndex& index)
{
    std::string letters;
    TokenReader reader;
    if (!reader.Open(file))
        return letters;
    const std::uint64_t skip = offset > 0 ? static_cast<std::uint64_t>(offset) : 0;
    if (index.SkipFromStart(reader, file, skip) < skip)
        return letters;
    char c = 0;
    while (letters.size() < kMaxViewerLetters && reader.Next(c)) {
        if (IsBaseLetter(c))
            letters.push_back(c);
    }
    return letters;
}

} // namespace lirovane
