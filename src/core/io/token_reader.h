#pragma once

#include "core/io/read_block.h"
#include <cstdint>

#include <cstdio>
#include <filesystem>
#include <string>

namespace lirovane {

// White space of every input file: space, tab, line feed, carriage return,
// vertical tab, form feed. A token of a sequence file is any other byte.
constexpr bool IsBlank(unsigned char c) noexcept
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// Non-blank bytes in [data, data + size): a tight loop the compiler vectorises.
std::size_t CountTokens(const char* data, std::size_t size) noexcept;

// Reads a sequence file as a stream of tokens, in large blocks. Tokens are numbered
// from 1 in file order; Consumed() is how many have been taken so far.
class TokenReader {
public:
    explicit TokenReader(std::size_t blockSize = std::size_t{1} << 20);
    ~TokenReader();
    TokenReader(const TokenReader&) = delete;
    TokenReader& operator=(const TokenReader&) = delete;

    // False when the file cannot be opened for reading.
    bool Open(const std::filesystem::path& file);
    bool IsOpen() const noexcept { return m_file != nullptr; }
    void Close() noexcept;

    // Passes over up to n tokens; returns how many there were (fewer at the end).
    std::uint64_t Skip(std::uint64_t n);
    // Appends up to n tokens to `out`; returns how many were appended.
    std::uint64_t Read(std::uint64_t n, std::string& out);
    // Takes the next token; false at the end of input.
    bool Next(char& token);

    std::uint64_t Consumed() const noexcept { return m_consumed; }
    // Byte offset in the file of the next byte not yet looked at.
    std::uint64_t ByteOffset() const noexcept;
    // Continues reading at a byte offset, counting `tokensBefore` tokens as taken.
    bool Seek(std::uint64_t byteOffset, std::uint64_t tokensBefore);

private:
    bool Refill();

    std::FILE* m_file = nullptr;
    std::size_t m_blockSize;
    ReadBlock m_block; // allocated at Open, no larger than the file needs
    std::size_t m_pos = 0;
    std::size_t m_len = 0;
    std::uint64_t m_blockStart = 0; // file offset of m_block[0]
    std::uint64_t m_consumed = 0;
};

} // namespace lirovane
