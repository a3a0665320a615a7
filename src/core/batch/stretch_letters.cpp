#include "core/batch/stretch_letters.h"

#include "core/files/temporary_file.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>

namespace lirovane {

namespace {

// Letters handed to the renderer at a time: large enough that the per-piece cost
// vanishes, small enough to stay in the cache.
constexpr std::size_t kPieceSize = std::size_t{256} << 10;

} // namespace

SequenceStretch::SequenceStretch(std::filesystem::path file, const SourcePoint& start, std::uint64_t tokensBefore,
                                 std::uint64_t count)
    : m_file(std::move(file)), m_start(start), m_tokensBefore(tokensBefore), m_count(count)
{
}

bool SequenceStretch::Rewind()
{
    m_left = m_bytes.value_or(m_count);
    m_status = {};
    if (!(m_reader.IsOpen() || m_reader.Open(m_file)) || !m_reader.Seek(m_start, m_tokensBefore))
        Fail(Why("the stretch's start cannot be found again"));
    m_reader.KeepTwoBlocks();
    return m_status.ok();
}

IoStatus SequenceStretch::Status() const
{
    if (!m_status)
        return m_status;
    for (const IoStatus& part : m_partStatus)
        if (!part)
            return part;
    return {};
}

void SequenceStretch::Fail(IoStatus status)
{
    m_status = std::move(status);
    if (m_whole != nullptr)
        *m_whole = m_status;
}

std::optional<LetterParts> SequenceStretch::Parts()
{
    if (!m_middle || !m_bytes || m_middle->bytes > *m_bytes || m_middle->tokens > m_count)
        return std::nullopt;
    m_partStatus[0] = m_partStatus[1] = {};
    LetterParts parts;
    auto first = std::make_unique<SequenceStretch>(m_file, m_start, m_tokensBefore, m_middle->tokens);
    first->SetKnownBytes(m_middle->bytes);
    first->m_whole = &m_partStatus[0];
    // A plain file's point plus so many bytes.
    const SourcePoint middle{m_start.point, m_start.skip + m_middle->bytes};
    auto second = std::make_unique<SequenceStretch>(m_file, middle, m_tokensBefore + m_middle->tokens,
                                                    m_count - m_middle->tokens);
    second->SetKnownBytes(*m_bytes - m_middle->bytes);
    second->m_whole = &m_partStatus[1];
    parts.first = std::move(first);
    parts.second = std::move(second);
    parts.x = m_middle->x;
    parts.y = m_middle->y;
    return parts;
}

std::string_view SequenceStretch::Next()
{
    if (!m_status || m_left == 0)
        return {};
    // The text as it lies in the reader's block, blanks and all: the renderer passes
    // over blanks, so no letter is copied.
    std::uint64_t tokens = 0;
    const std::string_view text =
        m_bytes ? m_reader.ReadBytes(static_cast<std::size_t>(std::min<std::uint64_t>(m_left, SIZE_MAX)))
                : m_reader.ReadText(m_left, tokens);
    m_left -= m_bytes ? text.size() : tokens;
    if (text.empty())
        Fail(Why("the file ends before the stretch does"));
    return text;
}

IoStatus SequenceStretch::Why(const char* otherwise) const
{
    // The reader's own reason names the file and the offset; a short file has none.
    if (!m_reader.Status())
        return m_reader.Status();
    return IoError::Content(m_file, 0, otherwise);
}

namespace {

IoStatus SpillFailed()
{
    return IoError::Plain(std::string("the stretch's temporary copy cannot be used: ") + std::strerror(errno));
}

} // namespace

std::unique_ptr<SpilledStretch> SpilledStretch::Create()
{
    std::FILE* file = UnnamedTemporaryFile("lirovane-stretch");
    return file == nullptr ? nullptr : std::make_unique<SpilledStretch>(file);
}

SpilledStretch::~SpilledStretch()
{
    std::fclose(m_file);
}

bool SpilledStretch::Append(std::string_view letters)
{
    if (m_status && std::fwrite(letters.data(), 1, letters.size(), m_file) != letters.size())
        m_status = SpillFailed();
    m_written += letters.size();
    return m_status.ok();
}

bool SpilledStretch::Rewind()
{
    m_read = 0;
    if (m_status && (std::fflush(m_file) != 0 || std::fseek(m_file, 0, SEEK_SET) != 0))
        m_status = SpillFailed();
    return m_status.ok();
}

std::string_view SpilledStretch::Next()
{
    if (!m_status || m_read == m_written)
        return {};
    m_piece.resize(kPieceSize);
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(kPieceSize, m_written - m_read));
    const std::size_t got = std::fread(m_piece.data(), 1, want, m_file);
    m_read += got;
    if (got == 0)
        m_status = SpillFailed();
    return {m_piece.data(), got};
}

} // namespace lirovane
