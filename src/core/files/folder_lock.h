#pragma once

#include "core/files/io_error.h"

#include <filesystem>

namespace lirovane {

// One Lirovane run per output folder at a time: an advisory lock held on the
// folder itself, so it leaves no file behind, and the system drops it when the
// process ends however it ends. Every writer into a batch folder (the command
// line, the window's batch and its patterns split) takes it.
class FolderLock {
public:
    FolderLock() = default;
    ~FolderLock();
    FolderLock(FolderLock&& other) noexcept;
    FolderLock& operator=(FolderLock&& other) noexcept;
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    // Takes the lock on `dir` (the working folder when empty) without waiting.
    // Fails with "DIR is in use by another Lirovane run" when another run holds it,
    // or with the OS's reason when the folder cannot be opened.
    IoStatus Acquire(const std::filesystem::path& dir);
    void Release() noexcept;

private:
    int m_fd = -1;
};

} // namespace lirovane
