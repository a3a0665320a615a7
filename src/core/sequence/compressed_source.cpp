// gzip and BGZF sequence files, decompressed with htslib. The only place that knows
// htslib's reader; the rest of the core sees a ByteSource.
#include "core/sequence/byte_source.h"

#include <htslib/bgzf.h>
#include <htslib/hfile.h>
#include <htslib/hts_log.h>
#include <htslib/thread_pool.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <mutex>

#include <sys/stat.h>
#include <unistd.h>

namespace lirovane::detail {

namespace {

// htslib reports to stderr by default; this program says what went wrong itself.
void QuietHtslib()
{
    static std::once_flag once;
    std::call_once(once, [] { hts_set_log_level(HTS_LOG_OFF); });
}

// Decompressed blocks that the worker threads may hold ready for the reader. htslib's
// default is twice the threads: then the workers wait whenever the reader pauses to
// scan a block. A deeper queue keeps them busy meanwhile (64 KiB of text per block).
constexpr int kDecompressQueue = 64;

// The empty block bgzip ends a file with.
constexpr unsigned char kEofBlock[28] = {0x1f, 0x8b, 8,    4, 0, 0, 0, 0, 0, 0xff, 6, 0, 'B', 'C',
                                         2,    0,    0x1b, 0, 3, 0, 0, 0, 0, 0,    0, 0, 0,   0};

// Where the zero bytes that end a file start (gzip reads such padding as the end of
// the stream); -1 when the file does not end in a zero byte.
off_t ZeroTailStart(int fd)
{
    struct stat st {};
    if (::fstat(fd, &st) != 0 || st.st_size == 0)
        return -1;
    char block[65536];
    off_t end = st.st_size;
    while (end > 0) {
        const off_t from = end > static_cast<off_t>(sizeof block) ? end - static_cast<off_t>(sizeof block) : 0;
        const ssize_t n = ::pread(fd, block, static_cast<std::size_t>(end - from), from);
        if (n != end - from)
            return -1;
        for (ssize_t i = n; i > 0; --i)
            if (block[i - 1] != 0)
                return from + i == st.st_size ? -1 : from + i;
        end = from;
    }
    return 0;
}

class CompressedSource final : public ByteSource {
public:
    CompressedSource(BGZF* fp, int fd, hts_tpool* pool, std::filesystem::path name, off_t zeroTail, bool textOnly)
        : m_fp(fp), m_fd(fd), m_pool(pool), m_name(std::move(name)), m_zeroTail(zeroTail), m_textOnly(textOnly)
    {
        m_bgzf = bgzf_compression(m_fp) == 2;
    }
    ~CompressedSource() override
    {
        bgzf_close(m_fp);
        // The pool outlives the file that uses it.
        if (m_pool != nullptr)
            hts_tpool_destroy(m_pool);
    }
    CompressedSource(const CompressedSource&) = delete;
    CompressedSource& operator=(const CompressedSource&) = delete;

    std::size_t Read(char* data, std::size_t size) override
    {
        // Block by block, so that the text offset of a fault is known to the byte and the
        // block that fails is known too (htslib drops a whole read that meets a fault).
        std::size_t total = 0;
        while (m_status.ok() && !m_ended && total < size) {
            const int available = m_fp->block_length - m_fp->block_offset;
            if (available <= 0) {
                if (m_lastBlock)
                    m_ended = true;
                else
                    NextBlock();
                continue;
            }
            const std::size_t want = std::min(size - total, static_cast<std::size_t>(available));
            const ssize_t got = bgzf_read(m_fp, data + total, want);
            if (got <= 0) {
                Fail();
                break;
            }
            const std::size_t text =
                m_textOnly ? TextPart(data + total, static_cast<std::size_t>(got)) : static_cast<std::size_t>(got);
            total += text;
            m_offset += text;
        }
        return total;
    }

    SourcePoint Tell() const override { return {m_bgzf ? static_cast<std::uint64_t>(bgzf_tell(m_fp)) : m_offset, 0}; }

    bool Seek(const SourcePoint& point) override
    {
        if (!m_bgzf || point.point > static_cast<std::uint64_t>(INT64_MAX))
            return false;
        if (bgzf_seek(m_fp, static_cast<int64_t>(point.point), SEEK_SET) < 0)
            return false;
        m_status = {};
        m_ended = false;
        m_lastBlock = false;
        // The text offset of a virtual offset is unknown: callers count in tokens.
        m_offset = 0;
        char discard[16384];
        std::uint64_t left = point.skip;
        while (left > 0) {
            const std::size_t want = left < sizeof discard ? static_cast<std::size_t>(left) : sizeof discard;
            const std::size_t got = Read(discard, want);
            if (got == 0)
                return false;
            left -= got;
        }
        return true;
    }

    bool CanSeek() const override { return m_bgzf; }
    std::uint64_t TextOffset() const override { return m_offset; }
    const char* Kind() const override { return m_bgzf ? "BGZF" : "gzip"; }

private:
    void NextBlock()
    {
        const off_t before = m_fp->mt == nullptr ? htell(m_fp->fp) : -1;
        if (bgzf_read_block(m_fp) == 0) {
            m_ended = m_fp->block_length == 0;
            // htslib's threads can end a stream cut inside a block as if it were whole.
            if (m_ended && m_bgzf && m_status.ok()) {
                const BgzfChain chain = WalkBgzfBlocks(m_fd);
                if (!chain.complete)
                    m_status = IoError::Content(m_name, 0,
                                                "truncated or unreadable compressed data near byte " +
                                                    std::to_string(chain.cutAt) +
                                                    " of the BGZF file (a block cut short; after byte " +
                                                    std::to_string(m_offset) + " of the decompressed text)");
            }
            return;
        }
        m_ended = true;
        if (m_zeroTail < 0 || !PaddingFrom(before)) {
            Fail();
            return;
        }
        // Zero padding after the last member ends the stream, as gzip reads it. A gzip
        // stream keeps what it inflated in this block before meeting the padding.
        m_fp->errcode = 0;
        m_fp->block_offset = 0;
        m_fp->block_length = m_fp->is_gzip && m_fp->gz_stream != nullptr
                                 ? BGZF_MAX_BLOCK_SIZE - static_cast<int>(m_fp->gz_stream->avail_out)
                                 : 0;
        m_ended = m_fp->block_length == 0;
        m_lastBlock = true;
    }

    // Whether a block read that started at `before` failed on zero padding after the
    // last member: in BGZF, what follows is end-of-file blocks and zero bytes; a gzip
    // stream's inflater stopped at a byte of the padding.
    bool PaddingFrom(off_t before) const
    {
        if (m_fp->is_gzip && m_fp->gz_stream != nullptr)
            return htell(m_fp->fp) - static_cast<off_t>(m_fp->gz_stream->avail_in) >= m_zeroTail;
        unsigned char block[sizeof kEofBlock];
        off_t at = before;
        while (before >= 0 && at < m_zeroTail) {
            if (::pread(m_fd, block, sizeof block, at) != static_cast<ssize_t>(sizeof block) ||
                std::memcmp(block, kEofBlock, sizeof block) != 0)
                return false;
            at += static_cast<off_t>(sizeof block);
        }
        return before >= 0;
    }

    // The bytes before the first NUL, which ends the text with an error: the command
    // line takes no binary data for a sequence, compressed or not.
    std::size_t TextPart(const char* data, std::size_t size)
    {
        const void* nul = std::memchr(data, 0, size);
        if (nul == nullptr)
            return size;
        const auto before = static_cast<std::size_t>(static_cast<const char*>(nul) - data);
        m_status = IoError::Content(m_name, 0,
                                    "binary data, not a sequence: a NUL byte at byte " +
                                        std::to_string(m_offset + before) + " of the decompressed text");
        return before;
    }

    void Fail()
    {
        const off_t compressed = m_fp->fp != nullptr ? htell(m_fp->fp) : -1;
        std::string what = "corrupt compressed data";
        if (m_fp->errcode & BGZF_ERR_IO)
            what = "truncated or unreadable compressed data";
        else if (m_fp->errcode & BGZF_ERR_CRC)
            what = "checksum mismatch in compressed data";
        m_status = IoError::Content(m_name, 0,
                                    what + " near byte " + std::to_string(compressed) + " of the " + Kind() +
                                        " file (after byte " + std::to_string(m_offset) + " of the decompressed text)");
    }

    BGZF* m_fp;
    int m_fd;          // the file under m_fp, for looking at its end
    hts_tpool* m_pool; // the decompression threads, or null
    std::filesystem::path m_name;
    off_t m_zeroTail;
    bool m_textOnly;
    bool m_bgzf = false;
    bool m_ended = false;
    bool m_lastBlock = false; // the block on hand ends the text (zero padding follows)
    std::uint64_t m_offset = 0;
};

} // namespace

BgzfChain WalkBgzfBlocks(int fd)
{
    BgzfChain chain;
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return chain;
    unsigned char head[sizeof kEofBlock];
    for (off_t at = 0;;) {
        const ssize_t got = ::pread(fd, head, sizeof head, at);
        const bool isBgzf =
            got >= 18 && head[0] == 0x1f && head[1] == 0x8b && (head[3] & 4) != 0 && head[12] == 'B' && head[13] == 'C';
        // The end, zero padding or a plain gzip member (which has its own end check).
        if (!isBgzf) {
            chain.gzipTail = got >= 2 && head[0] == 0x1f && head[1] == 0x8b;
            return chain;
        }
        const off_t size = (head[16] | head[17] << 8) + 1;
        if (at + size > st.st_size) {
            chain.complete = false;
            chain.cutAt = at;
            return chain;
        }
        chain.endsWithEofBlock = size == static_cast<off_t>(sizeof kEofBlock) &&
                                 got == static_cast<ssize_t>(sizeof kEofBlock) &&
                                 std::memcmp(head, kEofBlock, sizeof kEofBlock) == 0;
        at += size;
    }
}

IoResult<std::unique_ptr<ByteSource>> OpenCompressedSource(int fd, const std::filesystem::path& file,
                                                           const SourceOptions& options)
{
    QuietHtslib();
    const off_t zeroTail = ZeroTailStart(fd);
    // By descriptor: a name such as "data:x.fa.gz" or "http:x" is a local file too.
    BGZF* fp = ::lseek(fd, 0, SEEK_SET) == 0 ? bgzf_dopen(fd, "r") : nullptr;
    if (fp == nullptr) {
        ::close(fd);
        return IoError::Content(file, 0, "cannot be opened as a compressed file");
    }
    // The file starts as gzip does; htslib reads a header it cannot make sense of as
    // plain text, which would draw the compressed bytes.
    if (bgzf_compression(fp) == 0) {
        bgzf_close(fp);
        return IoError::Content(file, 0, "truncated or corrupt gzip header near byte 0 of the file");
    }
    hts_tpool* pool = nullptr;
    // Zero padding is found block by block, which the threads do not allow.
    if (options.threads > 0 && bgzf_compression(fp) == 2 && zeroTail < 0) {
        pool = hts_tpool_init(options.threads);
        // On failure it simply reads on one thread.
        if (pool != nullptr && bgzf_thread_pool(fp, pool, kDecompressQueue) != 0) {
            hts_tpool_destroy(pool);
            pool = nullptr;
        }
    }
    return std::unique_ptr<ByteSource>(
        std::make_unique<CompressedSource>(fp, fd, pool, file, zeroTail, options.textOnly));
}

} // namespace lirovane::detail
