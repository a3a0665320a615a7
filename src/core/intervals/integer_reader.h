#pragma once

#include "core/files/io_error.h"
#include "core/files/read_block.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>

namespace lirovane {

// Reads white-space separated decimal integers (an optional sign, then digits) from a
// file in blocks, as formatted extraction would: a number ends at the first byte that
// is not a digit, and the next read starts right there.
class IntegerReader {
public:
    enum class Status {
        Ok,  // a number was read
        End, // only white space was left
        Bad, // no number here, or one outside the signed 64-bit range
    };

    explicit IntegerReader(std::size_t blockSize = std::size_t{64} * 1024);
    ~IntegerReader();
    IntegerReader(const IntegerReader&) = delete;
    IntegerReader& operator=(const IntegerReader&) = delete;

    // Fails when the file cannot be opened for reading (regular files only).
    IoStatus Open(const std::filesystem::path& file);
    void Close() noexcept;

    // Reads the next number into `value`; after End or Bad every further read gives the same.
    Status Read(std::int64_t& value);
    // The 1-based line of the cursor: after Bad, the line of the offending token.
    std::uint64_t Line() const noexcept { return m_line; }

private:
    // The byte under the cursor, reading a new block when needed; -1 at the end.
    int Peek();

    std::FILE* m_file = nullptr;
    ReadBlock m_block;
    std::size_t m_pos = 0;
    std::size_t m_len = 0;
    Status m_stopped = Status::Ok;
    std::uint64_t m_line = 1;
};

} // namespace lirovane
