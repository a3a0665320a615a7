#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace lirovane {

inline constexpr std::size_t kMaxViewerLetters = 400000;

// Remembers, per file (path, size, modification time), the byte offset of every
// 2^20th token, so that reading from a deep offset does not rescan the file.
class TokenOffsetIndex;

// Skips `offset` tokens of any kind (none when offset <= 0), then keeps the letters
// A C G T a c g t in file order, at most 400000, dropping every other token.
// An unreadable file, or no letter after the offset, gives an empty string.
std::string ReadSequenceLetters(const std::filesystem::path& file, std::int64_t offset);

} // namespace lirovane
