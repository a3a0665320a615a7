#pragma once

#include "core/files/io_error.h"

#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>

namespace lirovane {

// The one writer of every output file. It writes next to the target under a hidden
// temporary name and renames it over the target only when every byte was written and
// the file closed without an error, so a failed write never leaves a file that looks
// complete and an existing file is replaced whole or not at all: it keeps its earlier
// bytes when the new ones cannot all be written, and nothing else is ever deleted.
// It does not force the bytes to the disk (no fsync): after a crash of the system,
// not of the program, a new file may be empty. (Forcing file and folder to the disk
// made a gallery of 20,000 pictures on ext4 some 40 to 70 times slower.)
// A symbolic link at the target's name is replaced by the new file; the file it points
// to is never written, so an output cannot land outside its folder. An existing regular
// file keeps its permissions. A device or a pipe named as the output (/dev/stdout) is
// written as it is: it has no content to keep and cannot be renamed over.
//
// A batch writes thousands of these: one lstat of the target, then create, write,
// close and rename; fchmod only when a file was there before. Small writes are
// gathered in a buffer; a large one goes straight to the file.
class OutputFile {
public:
    explicit OutputFile(const std::filesystem::path& target);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    bool IsOpen() const noexcept { return m_fd >= 0; }
    // The first failure once any write has failed (the OS's reason); later writes are
    // then skipped. Callers may leave it to Close to report.
    const IoStatus& Write(std::string_view bytes) { return Write(bytes.data(), bytes.size()); }
    const IoStatus& Write(const void* data, std::size_t size);
    // Puts the file in place. Success when it was created and everything written
    // reached it; otherwise the first failure, and the target keeps its earlier bytes.
    IoStatus Close();
    // Gives the file up unfinished: the target stays as it was.
    void Discard();
    // Why the file cannot be written (the OS's reason); success while nothing failed.
    const IoStatus& Status() const noexcept { return m_status; }

private:
    bool WriteThrough(const unsigned char* data, std::size_t size);
    void Failed(const char* doing, int errorNumber);
    bool Flush();

    std::filesystem::path m_target;
    std::filesystem::path m_temp;
    int m_fd = -1;
    IoStatus m_status;                         // the first failure
    bool m_direct = false;                     // writing the target itself
    std::unique_ptr<unsigned char[]> m_buffer; // made at the first small write
    std::size_t m_buffered = 0;
};

// Removes a regular file that a failed write left behind; folders, devices and
// missing files are left alone.
void RemovePartialFile(const std::filesystem::path& file);

// The target's name when `name` is one that this writer stages a file under, as a run
// killed while writing leaves it behind; nothing for any other name.
std::optional<std::string_view> StagedTarget(std::string_view name);

// Asked for each staged file of a sweep, with the name of the file it was staged for.
using StagedFileFilter = std::function<bool(const std::filesystem::path& staged, std::string_view target)>;

// Removes the staged files in `dir` that an earlier run, killed while writing, left and
// that `remove` accepts. Only the holder of the folder's lock may call it: another run's
// files are then not being written. Returns how many were removed.
int RemoveStaleStagedFiles(const std::filesystem::path& dir, const StagedFileFilter& remove);

} // namespace lirovane
