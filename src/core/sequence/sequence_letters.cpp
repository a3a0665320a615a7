#include "core/sequence/sequence_letters.h"

#include "core/sequence/token_offset_index.h"

#include <string_view>

namespace lirovane {

namespace {

constexpr bool IsBaseLetter(char c) noexcept
{
    return std::string_view("ACGTacgt").find(c) != std::string_view::npos;
}

} // namespace

IoResult<std::string> ReadSequenceLetters(const std::filesystem::path& file, std::int64_t offset)
{
    return ReadSequenceLetters(file, offset, TokenOffsetIndex::Global());
}

IoResult<std::string> ReadSequenceLetters(const std::filesystem::path& file, std::int64_t offset,
                                          TokenOffsetIndex& index)
{
    std::string letters;
    SequenceLetterReader reader;
    if (reader.Open(file, offset, index).ok())
        reader.Read(static_cast<std::size_t>(kViewerMaxLetters), letters);
    // Letters before a read error are not shown: they may stop anywhere.
    if (!reader.Status().ok())
        return reader.Status().error();
    return letters;
}

IoStatus SequenceLetterReader::Open(const std::filesystem::path& file, std::int64_t offset)
{
    return Open(file, offset, TokenOffsetIndex::Global());
}

IoStatus SequenceLetterReader::Open(const std::filesystem::path& file, std::int64_t offset, TokenOffsetIndex& index)
{
    if (IoStatus opened = m_reader.Open(file); !opened)
        return opened;
    index.SkipFromStart(m_reader, file, offset > 0 ? static_cast<std::uint64_t>(offset) : 0);
    return m_reader.Status();
}

std::size_t SequenceLetterReader::Read(std::size_t n, std::string& letters)
{
    std::size_t kept = 0;
    char c = 0;
    while (kept < n && m_reader.Next(c)) {
        if (IsBaseLetter(c)) {
            letters.push_back(c);
            ++kept;
        }
    }
    return kept;
}

} // namespace lirovane
