#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <string_view>

namespace lirovane {

// The one writer of every output file. It writes next to the target under a hidden
// temporary name and renames it over the target only when every byte is on disk, so
// a failed write never leaves a file that looks complete and an existing file is
// replaced whole or not at all. A link is followed, so the file it names is replaced
// and the link stays; an existing file keeps its permissions. Where the folder takes
// no new file but the existing file is writable, the file is written in place, as a
// plain truncating write would. A file that is not closed successfully is removed.
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
    // False once any write has failed; later writes are then skipped.
    bool Write(std::string_view bytes) { return Write(bytes.data(), bytes.size()); }
    bool Write(const void* data, std::size_t size);
    // Puts the file in place. True when it was created and everything written reached it.
    bool Close();
    // Gives the file up unfinished: nothing of it is left under the target's name.
    void Discard();

private:
    bool WriteThrough(const unsigned char* data, std::size_t size);
    bool Flush();

    std::filesystem::path m_target;
    std::filesystem::path m_temp;
    int m_fd = -1;
    bool m_ok = true;
    bool m_direct = false;                     // writing the target itself
    std::unique_ptr<unsigned char[]> m_buffer; // made at the first small write
    std::size_t m_buffered = 0;
};

// Removes a regular file that a failed write left behind; folders, devices and
// missing files are left alone.
void RemovePartialFile(const std::filesystem::path& file);

} // namespace lirovane
