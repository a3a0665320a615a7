#pragma once

#include <cstdio>
#include <filesystem>
#include <string_view>

namespace lirovane {

// A file created (or truncated) for writing that remembers whether every byte
// reached it, so that a full disk or a failed close is reported, not hidden.
class OutputFile {
public:
    explicit OutputFile(const std::filesystem::path& file);
    ~OutputFile() { Close(); }
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    bool IsOpen() const noexcept { return m_file != nullptr; }
    void Write(std::string_view text);
    // True when the file was created and everything written reached it.
    bool Close();

private:
    std::FILE* m_file = nullptr;
    bool m_ok = true;
};

} // namespace lirovane
