#include "core/io/position_list.h"

#include "core/io/integer_reader.h"

#include <algorithm>
#include <limits>

namespace lirovane {

void PositionList::Clear() noexcept
{
    m_entries.clear();
    m_sorted.clear();
}

void PositionList::Add(std::int32_t position)
{
    m_entries.push_back(position);
    // Files are usually in ascending order, so this is mostly an append.
    const auto it = std::lower_bound(m_sorted.begin(), m_sorted.end(), position);
    if (it == m_sorted.end() || *it != position)
        m_sorted.insert(it, position);
}

void PositionList::Assign(std::vector<std::int32_t> positions)
{
    m_entries = std::move(positions);
    m_sorted = m_entries;
    std::sort(m_sorted.begin(), m_sorted.end());
    m_sorted.erase(std::unique(m_sorted.begin(), m_sorted.end()), m_sorted.end());
}

bool PositionList::Contains(std::int64_t position) const noexcept
{
    if (position < std::numeric_limits<std::int32_t>::min() || position > std::numeric_limits<std::int32_t>::max())
        return false;
    return std::binary_search(m_sorted.begin(), m_sorted.end(), static_cast<std::int32_t>(position));
}

bool LoadPositionList(const std::filesystem::path& file, PositionList& list)
{
    list.Clear();
    IntegerReader reader;
    if (!reader.Open(file))
        return false;
    std::vector<std::int32_t> positions;
    std::int32_t value = 0;
    while (reader.Read(value) == IntegerReader::Status::Ok)
        positions.push_back(value);
    list.Assign(std::move(positions));
    return true;
}

} // namespace lirovane
