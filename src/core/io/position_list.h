#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

namespace lirovane {

// Positions read from starts.txt or ends.txt, in file order, with a membership
// test in logarithmic time. The list grows as far as its file goes.
class PositionList {
public:
    void Clear() noexcept;
    void Add(std::int32_t position);
    // Replaces the entries by `positions`, in their order (sorted once, not per entry).
    void Assign(std::vector<std::int32_t> positions);
    bool Contains(std::int64_t position) const noexcept;
    int Count() const noexcept { return static_cast<int>(m_entries.size()); }
    const std::vector<std::int32_t>& Entries() const noexcept { return m_entries; }
    // The distinct positions in ascending order.
    const std::vector<std::int32_t>& Sorted() const noexcept { return m_sorted; }

private:
    std::vector<std::int32_t> m_entries;
    std::vector<std::int32_t> m_sorted;
};

// Empties the list, then reads integers until the end of input or the first token
// that is not a signed 32-bit integer. Returns false when the file cannot be opened
// (the list is then empty).
bool LoadPositionList(const std::filesystem::path& file, PositionList& list);

} // namespace lirovane
