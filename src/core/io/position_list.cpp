#include "core/io/position_list.h"

#include "core/io/integer_reader.h"

#include <algorithm>

namespace lirovane {

void PositionList::Assign(std::vector<std::int32_t> positions)
{
    m_sorted = std::move(positions);
    std::sort(m_sorted.begin(), m_sorted.end());
    m_sorted.erase(std::unique(m_sorted.begin(), m_sorted.end()), m_sorted.end());
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
