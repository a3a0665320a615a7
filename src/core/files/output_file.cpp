#include "core/files/output_file.h"

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

// Staged names are "." + target + ".lirovane-" + digits + "-" + digits + ".part": the
// marker says this program made the file, so a sweep never takes a user's file for one.
constexpr std::string_view kStagedMarker = ".lirovane-";
constexpr std::string_view kStagedSuffix = ".part";

// A hidden sibling of the target that no other writer picks: name, time and a counter.
std::filesystem::path TemporarySibling(const std::filesystem::path& target)
{
    static std::atomic<unsigned> counter{0};
    const auto tick = std::chrono::steady_clock::now().time_since_epoch().count();
    std::string name = ".";
    name += target.filename().string().substr(0, 100); // leave room under the name limit
    name += kStagedMarker;
    name += std::to_string(static_cast<unsigned long long>(tick));
    name += '-';
    name += std::to_string(counter.fetch_add(1, std::memory_order_relaxed));
    name += kStagedSuffix;
    std::filesystem::path temp = target;
    temp.replace_filename(name);
    return temp;
}

} // namespace

OutputFile::OutputFile(const std::filesystem::path& target) : m_target(target)
{
    struct stat existing {};
    const bool exists = ::lstat(m_target.c_str(), &existing) == 0;
    if (exists && S_ISDIR(existing.st_mode)) {
        Failed("cannot replace", EISDIR);
        return;
    }
    if (exists && !S_ISREG(existing.st_mode) && !S_ISLNK(existing.st_mode)) {
        // Non-blocking, so that a pipe nobody reads fails instead of hanging.
        m_fd = ::open(m_target.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK);
        if (m_fd < 0) {
            Failed("cannot open", errno);
            return;
        }
        ::fcntl(m_fd, F_SETFL, ::fcntl(m_fd, F_GETFL) & ~O_NONBLOCK);
        m_direct = true;
        return;
    }
    m_temp = TemporarySibling(m_target);
    m_fd = ::open(m_temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (m_fd < 0)
        Failed("cannot create a file in its folder", errno);
    else if (exists && S_ISREG(existing.st_mode))
        static_cast<void>(::fchmod(m_fd, existing.st_mode & 07777));
}

void OutputFile::Failed(const char* doing, int errorNumber)
{
    if (m_status.ok())
        m_status = IoError::FromErrno(m_target, errorNumber, doing);
}

OutputFile::~OutputFile()
{
    if (m_fd >= 0)
        Discard();
}

const IoStatus& OutputFile::Write(const void* data, std::size_t size)
{
    if (m_fd < 0 || !m_status.ok())
        return m_status;
    const auto* bytes = static_cast<const unsigned char*>(data);
    if ((size >= kWriteThrough || m_buffered + size > kBufferSize) && !Flush())
        return m_status;
    if (size >= kWriteThrough) {
        WriteThrough(bytes, size);
        return m_status;
    }
    if (!m_buffer)
        m_buffer = std::make_unique_for_overwrite<unsigned char[]>(kBufferSize);
    std::memcpy(m_buffer.get() + m_buffered, bytes, size);
    m_buffered += size;
    return m_status;
}

bool OutputFile::WriteThrough(const unsigned char* data, std::size_t size)
{
    constexpr std::size_t kMaxChunk = std::size_t{1} << 30;
    while (size > 0 && m_status.ok()) {
        const ssize_t n = ::write(m_fd, data, std::min(size, kMaxChunk));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            Failed("cannot write", n < 0 ? errno : ENOSPC);
            break;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return m_status.ok();
}

bool OutputFile::Flush()
{
    const std::size_t size = std::exchange(m_buffered, 0);
    return size == 0 || WriteThrough(m_buffer.get(), size);
}

IoStatus OutputFile::Close()
{
    if (m_fd < 0) {
        Failed("cannot write", EBADF); // closed before, unless it failed to open
        return m_status;
    }
    if (m_status.ok())
        Flush();
    const int fd = std::exchange(m_fd, -1);
    if (::close(fd) != 0)
        Failed("cannot write", errno);
    if (!m_status.ok()) {
        if (!m_direct)
            ::unlink(m_temp.c_str());
        return m_status;
    }
    if (m_direct || ::rename(m_temp.c_str(), m_target.c_str()) == 0)
        return {};
    Failed("cannot put in place", errno);
    ::unlink(m_temp.c_str());
    return m_status;
}

void OutputFile::Discard()
{
    if (m_fd >= 0)
        ::close(std::exchange(m_fd, -1));
    // The staged copy goes; the target keeps what it held.
    if (!m_direct && !m_temp.empty())
        ::unlink(m_temp.c_str());
}

void RemovePartialFile(const std::filesystem::path& file)
{
    std::error_code ec;
    if (std::filesystem::is_regular_file(file, ec))
        std::filesystem::remove(file, ec);
}

std::optional<std::string_view> StagedTarget(std::string_view name)
{
    if (name.size() < 2 || name.front() != '.' || !name.ends_with(kStagedSuffix))
        return std::nullopt;
    name.remove_suffix(kStagedSuffix.size());
    const std::size_t marker = name.rfind(kStagedMarker);
    if (marker == std::string_view::npos || marker < 2)
        return std::nullopt;
    const std::string_view stamp = name.substr(marker + kStagedMarker.size());
    const std::size_t dash = stamp.find('-');
    const auto digits = [](std::string_view d) {
        return !d.empty() && std::all_of(d.begin(), d.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    if (dash == std::string_view::npos || !digits(stamp.substr(0, dash)) || !digits(stamp.substr(dash + 1)))
        return std::nullopt;
    return name.substr(1, marker - 1);
}

int RemoveStaleStagedFiles(const std::filesystem::path& dir, const StagedFileFilter& remove)
{
    int removed = 0;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(dir.empty() ? "." : dir, ec)) {
        std::error_code entryError;
        const std::string name = entry.path().filename().string();
        const std::optional<std::string_view> target = StagedTarget(name);
        if (target && entry.is_regular_file(entryError) && remove(entry.path(), *target) &&
            std::filesystem::remove(entry.path(), entryError))
            ++removed;
    }
    return removed;
}

} // namespace lirovane
