#pragma once

#include "core/files/io_error.h"

#include <cstdint>
#include <filesystem>
#include <vector>

namespace lirovane {

// The distinct positions of starts.txt or ends.txt in ascending order. The list
// grows as far as its file goes.
class PositionList {
public:
    void Clear() noexcept { m_sorted.clear(); }
    // Replaces the entries by `positions` (sorted once, not per entry).
    void Assign(std::vector<std::int64_t> positions);
    const std::vector<std::int64_t>& Sorted() const noexcept { return m_sorted; }

private:
    std::vector<std::int64_t> m_sorted;
};

// Empties the list, then reads integers until the end of input or the first token
// that is not a signed 32-bit integer, keeping those read before it. Fails when the
// file cannot be opened (the list is then empty) or at such a token, naming its line.
IoStatus LoadPositionList(const std::filesystem::path& file, PositionList& list);

} // namespace lirovane
