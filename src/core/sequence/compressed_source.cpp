// gzip and BGZF sequence files, decompressed with htslib. The only place that knows
// htslib's reader; the rest of the core sees a ByteSource.
#include "core/sequence/byte_source.h"

#include <htslib/bgzf.h>
#include <htslib/hfile.h>
#include <htslib/hts_log.h>
#include <htslib/thread_pool.h>

#include <mutex>

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

class CompressedSource final : public ByteSource {
public:
    CompressedSource(BGZF* fp, hts_tpool* pool, std::filesystem::path name)
        : m_fp(fp), m_pool(pool), m_name(std::move(name))
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
        if (!m_status.ok() || size == 0)
            return 0;
        const ssize_t got = bgzf_read(m_fp, data, size);
        if (got < 0) {
            Fail();
            return 0;
        }
        const auto n = static_cast<std::size_t>(got);
        m_offset += n;
        // A stream that stops without its end (no gzip trailer, no BGZF end block)
        // was cut short: htslib returns a clean end for some of these.
        if (n == 0 && !m_checkedEnd) {
            m_checkedEnd = true;
            if (m_bgzf && bgzf_check_EOF(m_fp) == 0)
                m_status = IoError::Content(m_name, 0,
                                            "truncated BGZF file (no end-of-file block) after byte " +
                                                std::to_string(m_offset) + " of the decompressed text");
        }
        return n;
    }

    SourcePoint Tell() const override { return {m_bgzf ? static_cast<std::uint64_t>(bgzf_tell(m_fp)) : m_offset, 0}; }

    bool Seek(const SourcePoint& point) override
    {
        if (!m_bgzf || point.point > static_cast<std::uint64_t>(INT64_MAX))
            return false;
        if (bgzf_seek(m_fp, static_cast<int64_t>(point.point), SEEK_SET) < 0)
            return false;
        m_status = {};
        m_checkedEnd = false;
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
    hts_tpool* m_pool; // the decompression threads, or null
    std::filesystem::path m_name;
    bool m_bgzf = false;
    bool m_checkedEnd = false;
    std::uint64_t m_offset = 0;
};

} // namespace

IoResult<std::unique_ptr<ByteSource>> OpenCompressedSource(const std::filesystem::path& file,
                                                           const SourceOptions& options)
{
    QuietHtslib();
    BGZF* fp = bgzf_open(file.c_str(), "r");
    if (fp == nullptr)
        return IoError::Content(file, 0, "cannot be opened as a compressed file");
    // The file starts as gzip does; htslib reads a header it cannot make sense of as
    // plain text, which would draw the compressed bytes.
    if (bgzf_compression(fp) == 0) {
        bgzf_close(fp);
        return IoError::Content(file, 0, "truncated or corrupt gzip header near byte 0 of the file");
    }
    hts_tpool* pool = nullptr;
    if (options.threads > 0 && bgzf_compression(fp) == 2) {
        pool = hts_tpool_init(options.threads);
        // On failure it simply reads on one thread.
        if (pool != nullptr && bgzf_thread_pool(fp, pool, kDecompressQueue) != 0) {
            hts_tpool_destroy(pool);
            pool = nullptr;
        }
    }
    return std::unique_ptr<ByteSource>(std::make_unique<CompressedSource>(fp, pool, file));
}

} // namespace lirovane::detail
