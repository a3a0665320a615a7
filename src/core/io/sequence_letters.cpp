#include "core/io/sequence_letters.h"

#include "core/io/token_offset_index.h"
#include "core/io/token_reader.h"
#include "core/render/path_renderer.h"

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

std::string ReadSequenceLetters(const std::filesystem::path& file, std::int64_t offset, TokenOffsetIndex& index,
                                std::string* error)
{
    std::string letters;
    TokenReader reader;
    const bool opened = reader.Open(file);
    if (opened) {
        const std::uint64_t skip = offset > 0 ? static_cast<std::uint64_t>(offset) : 0;
        if (index.SkipFromStart(reader, file, skip) == skip) {
            char c = 0;
            while (letters.size() < kViewerMaxLetters && reader.Next(c)) {
                if (IsBaseLetter(c))
                    letters.push_back(c);
            }
        }
    }
    if (error != nullptr)
        *error = reader.Error();
    // Letters before a read error are not shown: they may stop anywhere.
    if (reader.Failed())
        letters.clear();
    return letters;
}

} // namespace lirovane
