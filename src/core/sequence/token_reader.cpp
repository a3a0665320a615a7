#include "core/sequence/token_reader.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <utility>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

namespace lirovane {

namespace {

constexpr unsigned char IsTokenBit(unsigned char c) noexcept
{
    // Blank: ' ' or '\t' '\n' '\v' '\f' '\r' (9 to 13). Branch-free for the vectoriser.
    return static_cast<unsigned char>((c != ' ') & (static_cast<unsigned char>(c - '\t') > 4));
}

// Tokens among 64 bytes. A fixed trip count and a byte-wide sum let the compiler
// vectorise this even at -O2.
inline std::size_t CountTokens64(const unsigned char* p) noexcept
{
    unsigned char sum = 0;
    for (std::size_t i = 0; i < 64; ++i)
        sum = static_cast<unsigned char>(sum + IsTokenBit(p[i]));
    return sum;
}

// Chunk size for Skip: large enough to count fast, small enough that the
// byte-by-byte search for the last wanted token stays short.
constexpr std::size_t kCountChunk = 4096;

// Block size for BGZF input, about one compressed block's text.
constexpr std::size_t kSeekableCompressedBlock = std::size_t{64} * 1024;

#if defined(__x86_64__) && defined(__GNUC__)
#define LIROVANE_COUNT_AVX2 1

// Tokens among 32-byte pieces, 32 lanes at a time, for processors with AVX2 (chosen at
// run time): a lane is a blank when it is ' ' or 9 to 13, found with a saturating
// subtraction; the blanks' -1s add up in bytes for up to 255 pieces at a time.
__attribute__((target("avx2"))) std::size_t CountBlanksWide(const unsigned char* p, std::size_t pieces) noexcept
{
    const __m256i space = _mm256_set1_epi8(' ');
    const __m256i tab = _mm256_set1_epi8('\t');
    const __m256i four = _mm256_set1_epi8(4);
    std::size_t blanks = 0;
    for (std::size_t i = 0; i < pieces;) {
        __m256i sum = _mm256_setzero_si256();
        for (const std::size_t end = std::min(pieces, i + 255); i < end; ++i) {
            const __m256i c = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32 * i));
            const __m256i control = _mm256_cmpeq_epi8(_mm256_subs_epu8(_mm256_sub_epi8(c, tab), four),
                                                      _mm256_setzero_si256()); // 9 to 13
            sum = _mm256_sub_epi8(sum, _mm256_or_si256(control, _mm256_cmpeq_epi8(c, space)));
        }
        const __m256i sums = _mm256_sad_epu8(sum, _mm256_setzero_si256());
        blanks += static_cast<std::size_t>(_mm256_extract_epi64(sums, 0) + _mm256_extract_epi64(sums, 1) +
                                           _mm256_extract_epi64(sums, 2) + _mm256_extract_epi64(sums, 3));
    }
    return blanks;
}

bool CountsWide() noexcept
{
    static const bool has = __builtin_cpu_supports("avx2") != 0;
    return has;
}
#endif

} // namespace

std::size_t CountTokens(const char* data, std::size_t size) noexcept
{
    const auto* p = reinterpret_cast<const unsigned char*>(data);
    std::size_t count = 0;
    std::size_t i = 0;
#if defined(LIROVANE_COUNT_AVX2)
    if (CountsWide()) {
        i = size / 32 * 32;
        count = i - CountBlanksWide(p, size / 32);
    }
#endif
    for (; i + 64 <= size; i += 64)
        count += CountTokens64(p + i);
    for (; i < size; ++i)
        count += IsTokenBit(p[i]);
    return count;
}

TokenReader::TokenReader(std::size_t blockSize) : m_blockSize(std::max<std::size_t>(blockSize, 1)) {}

TokenReader::~TokenReader()
{
    Close();
}

void TokenReader::Allocate(std::size_t wanted)
{
    if (wanted > m_block.size() || wanted < m_block.size() / 4) {
        m_block.Allocate(wanted);
        m_spare = ReadBlock();
    }
}

void TokenReader::KeepTwoBlocks()
{
    m_twoBlocks = true;
}

IoStatus TokenReader::Open(const std::filesystem::path& file, const SourceOptions& options)
{
    Close();
    auto source = OpenByteSource(file, options);
    if (!source) {
        m_status = source;
        return m_status;
    }
    m_source = std::move(source).value();
    const bool plain = std::string_view(m_source->Kind()) == "plain";
    std::size_t wanted = m_blockSize;
    if (plain) {
        // A small file needs no large block (the size only guides; a growing file is read whole).
        std::error_code ec;
        const std::uintmax_t size = std::filesystem::file_size(file, ec);
        if (!ec && size < wanted)
            wanted = std::min<std::size_t>(wanted, std::max<std::size_t>(static_cast<std::size_t>(size) + 1, 4096));
    } else if (m_source->CanSeek()) {
        // A remembered point inside a block is reached by decompressing up to it:
        // blocks of BGZF size keep that short.
        wanted = std::min<std::size_t>(wanted, kSeekableCompressedBlock);
    }
    Allocate(wanted);
    return {};
}

void TokenReader::Open(std::unique_ptr<ByteSource> source)
{
    Close();
    m_source = std::move(source);
    Allocate(m_blockSize);
}

void TokenReader::Close() noexcept
{
    m_source.reset();
    m_status = {};
    m_pos = 0;
    m_len = 0;
    m_blockStart = {};
    m_consumed = 0;
}

bool TokenReader::Refill()
{
    if (m_source == nullptr || !m_status.ok())
        return false;
    if (m_twoBlocks) {
        // The text before the current block is done with: read into its block.
        if (m_spare.size() != m_block.size())
            m_spare.Allocate(m_block.size());
        std::swap(m_block, m_spare);
    }
    m_blockStart = m_source->Tell();
    m_pos = 0;
    m_len = m_source->Read(reinterpret_cast<char*>(m_block.data()), m_block.size());
    if (m_len == 0 && !m_source->Status().ok())
        m_status = m_source->Status();
    return m_len > 0;
}

std::uint64_t TokenReader::Skip(std::uint64_t n)
{
    std::uint64_t taken = 0;
    std::uint64_t tokens = 0;
    while (taken < n && !ReadText(n - taken, tokens).empty())
        taken += tokens;
    return taken;
}

std::string_view TokenReader::ReadText(std::uint64_t n, std::uint64_t& tokens)
{
    tokens = 0;
    if (n == 0 || (m_pos == m_len && !Refill()))
        return {};
    const unsigned char* data = m_block.data();
    const std::size_t begin = m_pos;
    // Whole chunks while they hold no more tokens than are still wanted.
    while (m_pos < m_len) {
        const std::size_t len = std::min(kCountChunk, m_len - m_pos);
        const std::size_t count = CountTokens(reinterpret_cast<const char*>(data + m_pos), len);
        if (count > n - tokens)
            break;
        tokens += count;
        m_pos += len;
        if (tokens == n)
            break;
    }
    // The last wanted token lies in the next chunk: find it byte by byte.
    while (tokens < n && m_pos < m_len) {
        if (!IsBlank(data[m_pos]))
            ++tokens;
        ++m_pos;
    }
    m_consumed += tokens;
    return {reinterpret_cast<const char*>(data + begin), m_pos - begin};
}

std::string_view TokenReader::ReadBytes(std::size_t n)
{
    if (n == 0 || (m_pos == m_len && !Refill()))
        return {};
    const std::size_t begin = std::exchange(m_pos, m_pos + std::min(n, m_len - m_pos));
    return {reinterpret_cast<const char*>(m_block.data() + begin), m_pos - begin};
}

std::uint64_t TokenReader::Read(std::uint64_t n, std::string& out)
{
    std::uint64_t taken = 0;
    while (taken < n) {
        if (m_pos == m_len && !Refill())
            break;
        const unsigned char* data = m_block.data();
        // One append per run of tokens (a line of a FASTA file), not one per byte.
        while (taken < n && m_pos < m_len) {
            while (m_pos < m_len && IsBlank(data[m_pos]))
                ++m_pos;
            const std::size_t begin = m_pos;
            const std::size_t limit =
                m_pos + static_cast<std::size_t>(std::min<std::uint64_t>(n - taken, m_len - m_pos));
            while (m_pos < limit && !IsBlank(data[m_pos]))
                ++m_pos;
            out.append(reinterpret_cast<const char*>(data + begin), m_pos - begin);
            taken += m_pos - begin;
        }
    }
    m_consumed += taken;
    return taken;
}

bool TokenReader::Next(char& token)
{
    for (;;) {
        if (m_pos == m_len && !Refill())
            return false;
        while (m_pos < m_len) {
            const unsigned char c = m_block[m_pos++];
            if (!IsBlank(c)) {
                token = static_cast<char>(c);
                ++m_consumed;
                return true;
            }
        }
    }
}

SourcePoint TokenReader::Position() const noexcept
{
    return {m_blockStart.point, m_blockStart.skip + m_pos};
}

bool TokenReader::Seek(const SourcePoint& point, std::uint64_t tokensBefore)
{
    if (m_source == nullptr || !m_source->Seek(point))
        return false;
    m_status = {};
    m_blockStart = point;
    m_pos = 0;
    m_len = 0;
    m_consumed = tokensBefore;
    return true;
}

namespace {

// Below this many tokens a second thread costs more than it saves.
constexpr std::uint64_t kTakeAheadFrom = std::uint64_t{4} << 20;

// Two pieces of text: one the reader fills while the caller works on the other.
class TextAhead {
public:
    TextAhead(TokenReader& reader, std::uint64_t n) : m_reader(reader), m_left(n)
    {
        // The slots hold views into the reader's blocks, not copies.
        m_reader.KeepTwoBlocks();
        m_thread = std::thread([this] { Run(); });
    }
    ~TextAhead() { m_thread.join(); }
    TextAhead(const TextAhead&) = delete;
    TextAhead& operator=(const TextAhead&) = delete;

    // Calls take for every piece, in order, until it returns false; returns the tokens
    // taken.
    std::uint64_t Drain(const std::function<bool(std::string_view, std::uint64_t)>& take)
    {
        std::uint64_t taken = 0;
        for (std::size_t s = 0;; s ^= 1) {
            Slot& slot = m_slots[s];
            {
                std::unique_lock lock(m_mutex);
                m_changed.wait(lock, [&] { return slot.full; });
            }
            if (slot.text.empty())
                return taken;
            const bool more = take(slot.text, slot.tokens);
            taken += slot.tokens;
            {
                std::lock_guard lock(m_mutex);
                slot.full = false;
                m_done = !more;
            }
            m_changed.notify_all();
            if (!more)
                return taken;
        }
    }

private:
    struct Slot {
        std::string_view text;
        std::uint64_t tokens = 0;
        bool full = false;
    };

    void Run()
    {
        for (std::size_t s = 0;; s ^= 1) {
            Slot& slot = m_slots[s];
            {
                std::unique_lock lock(m_mutex);
                m_changed.wait(lock, [&] { return !slot.full || m_done; });
                if (m_done)
                    return;
            }
            // The slot is this thread's alone until it is marked full.
            const std::string_view text = m_left > 0 ? m_reader.ReadText(m_left, slot.tokens) : std::string_view();
            slot.text = text;
            m_left -= text.empty() ? 0 : slot.tokens;
            {
                std::lock_guard lock(m_mutex);
                slot.full = true;
            }
            m_changed.notify_all();
            if (text.empty())
                return;
        }
    }

    TokenReader& m_reader;
    std::uint64_t m_left;
    Slot m_slots[2];
    bool m_done = false; // the caller wants no more
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::thread m_thread;
};

} // namespace

std::uint64_t TakeText(TokenReader& reader, std::uint64_t n,
                       const std::function<bool(std::string_view text, std::uint64_t tokens)>& take)
{
    if (n >= kTakeAheadFrom) {
        TextAhead ahead(reader, n);
        return ahead.Drain(take);
    }
    std::uint64_t taken = 0;
    std::uint64_t tokens = 0;
    for (std::string_view text; taken < n && !(text = reader.ReadText(n - taken, tokens)).empty();) {
        taken += tokens;
        if (!take(text, tokens))
            break;
    }
    return taken;
}

} // namespace lirovane
