#pragma once

#include "core/files/io_error.h"
#include "core/sequence/token_reader.h"

#include <cstdint>
#include <filesystem>
#include <string>

namespace lirovane {

class TokenOffsetIndex;

// The viewer reads and draws at most this many letters; more are ignored.
inline constexpr int kViewerMaxLetters = 400000;

// Skips `offset` tokens of any kind (none when offset <= 0), then keeps the letters
// A C G T a c g t in file order, at most kViewerMaxLetters, dropping every other token.
// No letter after the offset gives an empty string. A file that cannot be opened or
// read to the end fails with why, and no letters: those before a read error may stop
// anywhere.
// Deep offsets start from the offsets that TokenOffsetIndex::Global() remembers.
IoResult<std::string> ReadSequenceLetters(const std::filesystem::path& file, std::int64_t offset);
// The same with an index of one's own (tests, tools).
IoResult<std::string> ReadSequenceLetters(const std::filesystem::path& file, std::int64_t offset,
                                          TokenOffsetIndex& index);

// The letters ReadSequenceLetters keeps, a part at a time, for a reader that may
// need only the first few thousand of them.
class SequenceLetterReader {
public:
    // Fails when the file cannot be opened or read up to `offset`; a file of no more
    // than `offset` tokens opens, and Read then gives nothing.
    IoStatus Open(const std::filesystem::path& file, std::int64_t offset);
    IoStatus Open(const std::filesystem::path& file, std::int64_t offset, TokenOffsetIndex& index);
    // Appends up to `n` more letters; returns how many (0 at the end of the file or at
    // a read error).
    std::size_t Read(std::size_t n, std::string& letters);
    // Why the file could not be opened or read; success when nothing went wrong.
    const IoStatus& Status() const noexcept { return m_reader.Status(); }

private:
    // Reads start near the letters wanted (TokenOffsetIndex), so a small block serves.
    TokenReader m_reader{std::size_t{1} << 17};
};

} // namespace lirovane
