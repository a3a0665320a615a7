#include "core/sequence/byte_source.h"

#include "core/files/input_file.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lirovane {

namespace {

std::atomic<bool> g_textOnly{false};

class PlainSource final : public ByteSource {
public:
    PlainSource(std::FILE* file, std::filesystem::path name) : m_file(file), m_name(std::move(name))
    {
        // Callers read in large blocks; the stream's own buffer would only copy twice.
        std::setvbuf(m_file, nullptr, _IONBF, 0);
    }
    ~PlainSource() override { std::fclose(m_file); }
    PlainSource(const PlainSource&) = delete;
    PlainSource& operator=(const PlainSource&) = delete;

    std::size_t Read(char* data, std::size_t size) override
    {
        if (!m_status.ok())
            return 0;
        const std::size_t got = std::fread(data, 1, size, m_file);
        m_offset += got;
        if (got < size && std::ferror(m_file))
            m_status = IoError::FromErrno(m_name, errno, "read error at byte " + std::to_string(m_offset));
        return got;
    }
    SourcePoint Tell() const override { return {m_offset, 0}; }
    bool Seek(const SourcePoint& point) override
    {
        const std::uint64_t target = point.point + point.skip;
        if (target > static_cast<std::uint64_t>(INT64_MAX) || fseeko(m_file, static_cast<off_t>(target), SEEK_SET) != 0)
            return false;
        std::clearerr(m_file);
        m_status = {};
        m_offset = target;
        return true;
    }
    bool CanSeek() const override { return true; }
    std::uint64_t TextOffset() const override { return m_offset; }
    const char* Kind() const override { return "plain"; }

private:
    std::FILE* m_file;
    std::filesystem::path m_name;
    std::uint64_t m_offset = 0;
};

// The first bytes of a file (fewer when it is shorter); nothing for a folder or a file
// that cannot be opened.
template <std::size_t N> std::size_t ReadHead(const std::filesystem::path& file, unsigned char (&head)[N])
{
    std::error_code ec;
    if (std::filesystem::is_directory(file, ec))
        return 0;
    std::FILE* f = std::fopen(file.c_str(), "rb");
    if (f == nullptr)
        return 0;
    const std::size_t n = std::fread(head, 1, N, f);
    std::fclose(f);
    return n;
}

} // namespace

void SetTextOnlyInput(bool textOnly) noexcept
{
    g_textOnly.store(textOnly, std::memory_order_relaxed);
}

bool TextOnlyInput() noexcept
{
    return g_textOnly.load(std::memory_order_relaxed);
}

std::string CompressedInputWarning(const std::filesystem::path& file)
{
    // Without blocking on a pipe, and only for a regular file that is BGZF.
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return {};
    struct stat st {};
    unsigned char head[16] = {};
    const bool bgzf = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::pread(fd, head, sizeof head, 0) == 16 &&
                      head[0] == 0x1f && head[1] == 0x8b && (head[3] & 4) != 0 && head[12] == 'B' && head[13] == 'C';
    const detail::BgzfChain chain = bgzf ? detail::WalkBgzfBlocks(fd) : detail::BgzfChain{};
    ::close(fd);
    // A block cut short is an error of its own when the file is read.
    if (!bgzf || !chain.complete || chain.endsWithEofBlock || chain.gzipTail)
        return {};
    return file.string() + ": no BGZF end-of-file block; the file may be truncated";
}

bool IsGzipFile(const std::filesystem::path& file)
{
    unsigned char magic[2] = {};
    return ReadHead(file, magic) == 2 && magic[0] == 0x1f && magic[1] == 0x8b;
}

bool IsBgzfFile(const std::filesystem::path& file)
{
    unsigned char head[16] = {};
    // gzip with the extra field (FLG.FEXTRA) holding the "BC" subfield.
    return ReadHead(file, head) == sizeof head && head[0] == 0x1f && head[1] == 0x8b && (head[3] & 4) != 0 &&
           head[12] == 'B' && head[13] == 'C';
}

IoResult<std::unique_ptr<ByteSource>> OpenByteSource(const std::filesystem::path& file, const SourceOptions& options)
{
    // A folder, a device or a pipe is refused: it has no end to read to.
    const IoResult<std::FILE*> opened = OpenInputFile(file);
    if (!opened)
        return opened.error();
    std::FILE* f = *opened;
    unsigned char magic[2] = {};
    const std::size_t got = std::fread(magic, 1, 2, f);
    if (got == 2 && magic[0] == 0x1f && magic[1] == 0x8b) {
        // The compressed reader takes the file as it is open here, never by its name.
        const int fd = ::fcntl(fileno(f), F_DUPFD_CLOEXEC, 0);
        std::fclose(f);
        if (fd < 0)
            return IoError::FromErrno(file, errno, "cannot read");
        return detail::OpenCompressedSource(fd, file, options);
    }
    std::rewind(f);
    return std::unique_ptr<ByteSource>(std::make_unique<PlainSource>(f, file));
}

} // namespace lirovane
