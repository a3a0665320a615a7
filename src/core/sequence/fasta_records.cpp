#include "core/sequence/fasta_records.h"

#include "core/files/read_block.h"
#include "core/sequence/byte_source.h"
#include "core/sequence/token_reader.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string_view>
#include <utility>
#include <vector>

namespace lirovane {

namespace {

// Longer header lines are still counted whole; only the kept name is cut.
constexpr std::size_t kMaxNameLength = 4096;
constexpr std::size_t kBlockSize = std::size_t{1} << 20;

void TrimTrailingBlanks(std::string& text)
{
    while (!text.empty() && IsBlank(static_cast<unsigned char>(text.back())))
        text.pop_back();
}

bool IsLineEnd(unsigned char ch)
{
    return ch == '\n' || ch == '\r';
}

// A plain file fits in one block when it is small; compressed data is read in full blocks.
std::size_t BlockSizeFor(const std::filesystem::path& file, const ByteSource& source)
{
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(file, ec);
    const bool plain = std::string_view(source.Kind()) == "plain";
    return ec || !plain ? kBlockSize : static_cast<std::size_t>(std::min<std::uintmax_t>(size + 1, kBlockSize));
}

// Splits the bytes of a FASTA file, fed block by block, into records. Header lines are
// read byte by byte; sequence lines up to the next header are counted in one go.
class RecordScanner {
public:
    // Notes marks into `marks` every `stride` tokens (none when null).
    RecordScanner(std::uint64_t stride, std::vector<SourcePoint>* marks)
        : m_stride(marks != nullptr ? std::max<std::uint64_t>(stride, 1) : 0), m_marks(marks),
          m_nextMark(marks != nullptr ? m_stride : std::numeric_limits<std::uint64_t>::max())
    {
    }

    // The next block, which starts at byte `base` of the file.
    void Scan(const unsigned char* data, std::size_t len, std::uint64_t base)
    {
        m_base = base;
        std::size_t i = 0;
        while (i < len) {
            if (m_inHeader) {
                HeaderByte(data[i++]);
                Marked(i);
                continue;
            }
            const std::size_t j = NextHeaderStart(data, i, len);
            if (j == i) {
                StartHeader();
                ++i;
                Marked(i);
                continue;
            }
            CountSequence(data, i, j);
            i = j;
        }
    }

    std::vector<FastaRecord> Finish()
    {
        if (m_inHeader)
            EndHeader();
        return std::move(m_records);
    }

private:
    // The index of the first '>' at or after `i` that starts a line, or `len`.
    std::size_t NextHeaderStart(const unsigned char* data, std::size_t i, std::size_t len) const
    {
        std::size_t j = i;
        for (;;) {
            const void* found = std::memchr(data + j, '>', len - j);
            if (found == nullptr)
                return len;
            j = static_cast<std::size_t>(static_cast<const unsigned char*>(found) - data);
            if (j == i ? m_lineStart : IsLineEnd(data[j - 1]))
                return j;
            ++j;
        }
    }

    void StartHeader()
    {
        m_inHeader = true;
        m_lineStart = false;
        ++m_tokens;
        m_records.push_back(FastaRecord{{}, true, 0, 0});
    }

    void HeaderByte(unsigned char ch)
    {
        if (IsLineEnd(ch)) {
            m_inHeader = false;
            m_lineStart = true;
            EndHeader();
            return;
        }
        if (!IsBlank(ch))
            ++m_tokens;
        std::string& name = m_records.back().name;
        if (name.size() < kMaxNameLength)
            name.push_back(static_cast<char>(ch));
    }

    void EndHeader()
    {
        TrimTrailingBlanks(m_records.back().name);
        m_records.back().tokensBefore = m_tokens;
    }

    // Notes a mark when the token count just reached the next one: the text resumes
    // at byte `after` of the block.
    void Marked(std::size_t after)
    {
        if (m_tokens == m_nextMark) {
            m_marks->push_back({m_base + after, 0});
            m_nextMark += m_stride;
        }
    }

    // The tokens of the sequence bytes [i, j), counted a chunk at a time while a mark
    // may lie among them; the chunk that holds one is searched byte by byte.
    std::size_t CountMarking(const unsigned char* data, std::size_t i, std::size_t j)
    {
        constexpr std::size_t kChunk = 4096;
        std::uint64_t tokens = m_tokens;
        std::size_t at = i;
        while (at < j && tokens + (j - at) >= m_nextMark) {
            const std::size_t end = std::min(j, at + kChunk);
            const std::size_t count = CountTokens(reinterpret_cast<const char*>(data + at), end - at);
            if (tokens + count < m_nextMark) {
                tokens += count;
                at = end;
                continue;
            }
            for (; tokens < m_nextMark; ++at)
                tokens += IsBlank(data[at]) ? 0u : 1u;
            m_marks->push_back({m_base + at, 0});
            m_nextMark += m_stride;
        }
        tokens += CountTokens(reinterpret_cast<const char*>(data + at), j - at);
        return static_cast<std::size_t>(tokens - m_tokens);
    }

    // Bytes [i, j) hold sequence lines only.
    void CountSequence(const unsigned char* data, std::size_t i, std::size_t j)
    {
        const std::size_t count =
            m_marks != nullptr ? CountMarking(data, i, j) : CountTokens(reinterpret_cast<const char*>(data + i), j - i);
        if (count > 0) {
            if (m_records.empty())
                m_records.push_back(FastaRecord{{}, false, m_tokens, 0});
            m_tokens += count;
            m_records.back().bases += count;
        }
        m_lineStart = IsLineEnd(data[j - 1]);
    }

    std::uint64_t m_stride;
    std::vector<SourcePoint>* m_marks;
    std::uint64_t m_nextMark;
    std::uint64_t m_base = 0; // the file's byte offset of the block being scanned
    std::vector<FastaRecord> m_records;
    std::uint64_t m_tokens = 0;
    bool m_lineStart = true;
    bool m_inHeader = false;
};

} // namespace

std::string_view HeaderName(std::string_view header) noexcept
{
    constexpr std::string_view kBlanks = " \t\r\n\v\f";
    const std::size_t begin = header.find_first_not_of(kBlanks);
    if (begin == std::string_view::npos)
        return {};
    header.remove_prefix(begin);
    return header.substr(0, header.find_first_of(kBlanks));
}

IoResult<std::vector<FastaRecord>> ScanFastaRecords(const std::filesystem::path& file)
{
    std::vector<SourcePoint> marks;
    return ScanFastaRecords(file, 0, marks);
}

IoResult<std::vector<FastaRecord>> ScanFastaRecords(const std::filesystem::path& file, std::uint64_t stride,
                                                    std::vector<SourcePoint>& marks)
{
    const auto opened = OpenByteSource(file);
    if (!opened)
        return opened.error();
    const std::unique_ptr<ByteSource>& source = opened.value();

    ReadBlock block(BlockSizeFor(file, *source));
    const bool plain = std::string_view(source->Kind()) == "plain";
    RecordScanner scanner(stride, plain && stride > 0 ? &marks : nullptr);
    for (;;) {
        const std::uint64_t base = source->TextOffset();
        const std::size_t len = source->Read(reinterpret_cast<char*>(block.data()), block.size());
        if (len == 0)
            break;
        scanner.Scan(block.data(), len, base);
    }
    if (!source->Status().ok())
        return source->Status().error();
    return scanner.Finish();
}

} // namespace lirovane
