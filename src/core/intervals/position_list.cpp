#include "core/intervals/position_list.h"

#include "core/files/input_file.h"
#include "core/intervals/integer_reader.h"

#include <algorithm>

namespace lirovane {

void PositionList::Assign(std::vector<std::int64_t> positions)
{
    m_sorted = std::move(positions);
    std::sort(m_sorted.begin(), m_sorted.end());
    m_sorted.erase(std::unique(m_sorted.begin(), m_sorted.end()), m_sorted.end());
}

IoStatus LoadPositionList(const std::filesystem::path& file, PositionList& list)
{
    list.Clear();
    IntegerReader reader;
    if (IoStatus opened = reader.Open(file); !opened)
        return opened;
    std::vector<std::int64_t> positions;
    std::int64_t value = 0;
    IntegerReader::Status status = IntegerReader::Status::Ok;
    while ((status = reader.Read(value)) == IntegerReader::Status::Ok)
        positions.push_back(value);
    list.Assign(std::move(positions));
    if (status == IntegerReader::Status::Bad)
        return IoError::Content(file, reader.Line(), "not a whole number within the signed 64-bit range");
    return {};
}

} // namespace lirovane
