#include "core/batch/picture_table.h"

#include "core/sequence/genome_coordinates.h"

#include <algorithm>
#include <numeric>
#include <set>
#include <tuple>

namespace lirovane {

namespace {

auto Key(const PatternRecord& p)
{
    return std::make_tuple(p.start, p.end, p.size);
}

} // namespace

PictureTable::PictureTable(std::vector<FastaRecord> records, std::optional<std::vector<TrfRepeat>> repeats)
    : m_records(std::move(records)), m_repeats(std::move(repeats))
{
    if (!m_repeats)
        return;
    m_byPosition.resize(m_repeats->size());
    std::iota(m_byPosition.begin(), m_byPosition.end(), std::size_t{0});
    std::stable_sort(m_byPosition.begin(), m_byPosition.end(), [this](std::size_t a, std::size_t b) {
        return Key((*m_repeats)[a].pattern) < Key((*m_repeats)[b].pattern);
    });
}

std::string PictureTable::Header() const
{
    std::string header = "picture\trecord\tstart\tend\tsize";
    if (m_repeats)
        header += "\tperiod\tcopies\tscore\tconsensus";
    return header += '\n';
}

const TrfRepeat* PictureTable::FindRepeat(const DrawnPicture& drawn, int size) const
{
    const auto wanted = std::make_tuple(drawn.start, drawn.end, std::int64_t{size});
    const auto it =
        std::lower_bound(m_byPosition.begin(), m_byPosition.end(), wanted,
                         [this](std::size_t i, const auto& key) { return Key((*m_repeats)[i].pattern) < key; });
    if (it == m_byPosition.end() || Key((*m_repeats)[*it].pattern) != wanted)
        return nullptr;
    return &(*m_repeats)[*it];
}

std::string PictureTable::Row(std::string_view picture, const DrawnPicture& drawn, int size) const
{
    std::string row(picture);
    BaseLocation from;
    BaseLocation to;
    bool located = false;
    if (drawn.start > 0 && drawn.end > 0) {
        const auto first = LocatePosition(m_records, static_cast<std::uint64_t>(drawn.start), true);
        const auto last = LocatePosition(m_records, static_cast<std::uint64_t>(drawn.end), false);
        if (first && last) {
            from = *first;
            to = *last;
            located = to.record > from.record || (to.record == from.record && to.base >= from.base);
        }
    }
    if (located) {
        row.append(1, '\t').append(RecordName(m_records[from.record]));
        row.append(1, '\t').append(std::to_string(from.base)).append(1, '\t');
        if (to.record != from.record)
            row.append(RecordName(m_records[to.record])).append(1, ':');
        row.append(std::to_string(to.base));
    } else {
        row.append("\t\t\t");
    }
    row.append(1, '\t').append(std::to_string(size));
    if (m_repeats) {
        if (const TrfRepeat* repeat = FindRepeat(drawn, size)) {
            for (const std::string* column : {&repeat->period, &repeat->copies, &repeat->score, &repeat->consensus})
                row.append(1, '\t').append(*column);
        } else {
            row.append("\t\t\t\t");
        }
    }
    return row += '\n';
}

std::string PictureTable::GalleryRows(const BatchResult& result, int size, PictureFormat format,
                                      std::string_view folder) const
{
    std::set<std::string> unwritten;
    for (const RunError& error : result.errors)
        if (error.item == RunItem::Picture)
            unwritten.insert(error.error.file.filename().string());
    std::string rows;
    for (const DrawnPicture& drawn : result.drawn) {
        const std::string name = PictureFileName(drawn.start, format);
        if (unwritten.count(name) == 0)
            rows += Row(std::string(folder) + name, drawn, size);
    }
    return rows;
}

} // namespace lirovane
