#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace lirovane {

class TokenOffsetIndex;

// Skips `offset` tokens of any kind (none when offset <= 0), then keeps the letters
// A C G T a c g t in file order, at most kViewerMaxLetters, dropping every other token.
// An unreadable file, or no letter after the offset, gives an empty string.
// Deep offsets start from the offsets that TokenOffsetIndex::Global() remembers.
std::string ReadSequenceLetters(const std::filesystem::path& file, std::int64_t offset);
// The same with an index of one's own (tests, tools). When `error` is given it is set
// to why the file could not be opened or read to the end (empty when nothing went wrong).
std::string ReadSequenceLetters(const std::filesystem::path& file, std::int64_t offset, TokenOffsetIndex& index,
                                std::string* error = nullptr);

} // namespace lirovane
