#include "core/files/folder_lock.h"

#include <cerrno>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace lirovane {

FolderLock::~FolderLock()
{
    Release();
}

FolderLock::FolderLock(FolderLock&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}

FolderLock& FolderLock::operator=(FolderLock&& other) noexcept
{
    if (this != &other) {
        Release();
        m_fd = std::exchange(other.m_fd, -1);
    }
    return *this;
}

IoStatus FolderLock::Acquire(const std::filesystem::path& dir)
{
    Release();
    const std::filesystem::path folder = dir.empty() ? std::filesystem::path(".") : dir;
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return IoError::FromErrno(folder, errno, "cannot open the folder");
    int result = 0;
    do
        result = ::flock(fd, LOCK_EX | LOCK_NB);
    while (result != 0 && errno == EINTR);
    if (result != 0) {
        const int error = errno;
        ::close(fd);
        if (error == EWOULDBLOCK)
            return IoError::Plain(folder.string() + " is in use by another Lirovane run");
        return IoError::FromErrno(folder, error, "cannot lock the folder");
    }
    m_fd = fd;
    return {};
}

void FolderLock::Release() noexcept
{
    if (m_fd >= 0)
        ::close(std::exchange(m_fd, -1));
}

} // namespace lirovane
