#include "core/io/output_file.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <string>
#include <system_error>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lirovane {

namespace {

constexpr std::size_t kBufferSize = std::size_t{64} << 10;
// A write of this many bytes or more is not worth a copy into the buffer.
constexpr std::size_t kWriteThrough = std::size_t{4} << 10;

// A hidden sibling of the target that no other writer picks: name, time and a counter.
std::filesystem::path TemporarySibling(const std::filesystem::path& target)
{
    static std::atomic<unsigned> counter{0};
    const auto tick = std::chrono::steady_clock::now().time_since_epoch().count();
    std::string name = ".";
    name += target.filename().string().substr(0, 100); // leave room under the name limit
    name += '.';
    name += std::to_string(static_cast<unsigned long long>(tick));
    name += '-';
    name += std::to_string(counter.fetch_add(1, std::memory_order_relaxed));
    name += ".part";
    std::filesystem::path temp = target;
    temp.replace_filename(name);
    return temp;
}

} // namespace

OutputFile::OutputFile(const std::filesystem::path& target) : m_target(target)
{
    struct stat existing {};
    bool exists = ::lstat(m_target.c_str(), &existing) == 0;
    if (exists && S_ISLNK(existing.st_mode)) {
        std::error_code error;
        const std::filesystem::path resolved = std::filesystem::weakly_canonical(target, error);
        if (!error)
            m_target = resolved;
        exists = ::stat(m_target.c_str(), &existing) == 0;
    }
    const bool regular = exists && S_ISREG(existing.st_mode);

    m_temp = TemporarySibling(m_target);
    m_fd = ::open(m_temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (m_fd >= 0) {
        if (regular)
            static_cast<void>(::fchmod(m_fd, existing.st_mode & 07777));
    } else if (regular) {
        m_fd = ::open(m_target.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        m_direct = m_fd >= 0;
    }
}

OutputFile::~OutputFile()
{
    if (m_fd >= 0)
        Discard();
}

bool OutputFile::Write(const void* data, std::size_t size)
{
    if (m_fd < 0 || !m_ok)
        return false;
    const auto* bytes = static_cast<const unsigned char*>(data);
    if ((size >= kWriteThrough || m_buffered + size > kBufferSize) && !Flush())
        return false;
    if (size >= kWriteThrough)
        return WriteThrough(bytes, size);
    if (!m_buffer)
        m_buffer = std::make_unique_for_overwrite<unsigned char[]>(kBufferSize);
    std::memcpy(m_buffer.get() + m_buffered, bytes, size);
    m_buffered += size;
    return true;
}

bool OutputFile::WriteThrough(const unsigned char* data, std::size_t size)
{
    constexpr std::size_t kMaxChunk = std::size_t{1} << 30;
    while (size > 0 && m_ok) {
        const ssize_t n = ::write(m_fd, data, std::min(size, kMaxChunk));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            m_ok = false;
            break;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return m_ok;
}

bool OutputFile::Flush()
{
    const std::size_t size = std::exchange(m_buffered, 0);
    return size == 0 || WriteThrough(m_buffer.get(), size);
}

bool OutputFile::Close()
{
    if (m_fd < 0)
        return false;
    if (m_ok)
        Flush();
    const int fd = std::exchange(m_fd, -1);
    if (::close(fd) != 0)
        m_ok = false;
    if (!m_ok) {
        ::unlink((m_direct ? m_target : m_temp).c_str());
        return false;
    }
    if (m_direct || ::rename(m_temp.c_str(), m_target.c_str()) == 0)
        return true;
    ::unlink(m_temp.c_str());
    return false;
}

void OutputFile::Discard()
{
    ::close(std::exchange(m_fd, -1));
    // A file that was not finished leaves nothing behind, not even a truncated original.
    ::unlink((m_direct ? m_target : m_temp).c_str());
}

void RemovePartialFile(const std::filesystem::path& file)
{
    std::error_code ec;
    if (std::filesystem::is_regular_file(file, ec))
        std::filesystem::remove(file, ec);
}

} // namespace lirovane
