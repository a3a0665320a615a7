#include "core/sequence/genome_coordinates.h"

#include "core/intervals/integer_text.h"

#include <algorithm>
#include <utility>

namespace lirovane {

namespace {

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

bool AllDigits(std::string_view text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A 1-based number, commas allowed between digits; nothing, with `why` set, for
// anything else.
std::optional<std::uint64_t> BaseNumber(std::string_view text, std::string& why)
{
    std::string digits;
    for (const char c : Trim(text)) {
        if (c != ',')
            digits.push_back(c);
    }
    const auto n = WholeNumber<std::uint64_t>(digits);
    if (n && *n > 0)
        return n;
    why = std::string(1, '"').append(Trim(text));
    why.append(AllDigits(digits) && !n ? "\" is out of range" : "\" is not a base position (1 or more)");
    return std::nullopt;
}

std::size_t EditDistance(std::string_view a, std::string_view b)
{
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j)
        row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t up = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0u : 1u)});
            diagonal = up;
        }
    }
    return row[b.size()];
}

// The first record of that name, as samtools takes it, and how many bear it.
const FastaRecord* FindRecord(const std::vector<FastaRecord>& records, std::string_view name,
                              std::size_t* count = nullptr)
{
    const FastaRecord* first = nullptr;
    std::size_t n = 0;
    for (const FastaRecord& r : records) {
        if (r.hasHeader && RecordName(r) == name) {
            if (first == nullptr)
                first = &r;
            if (++n > 1 && count == nullptr)
                break;
        }
    }
    if (count != nullptr)
        *count = n;
    return first;
}

} // namespace

std::string_view RecordName(const FastaRecord& record)
{
    return HeaderName(record.name);
}

std::string WithCommas(std::uint64_t value)
{
    std::string digits = std::to_string(value);
    for (std::size_t i = digits.size(); i > 3; i -= 3)
        digits.insert(i - 3, 1, ',');
    return digits;
}

std::optional<BaseLocation> LocatePosition(const std::vector<FastaRecord>& records, std::uint64_t position, bool after)
{
    // The last record whose first base is at or before the position.
    const auto it = std::upper_bound(records.begin(), records.end(), position,
                                     [](std::uint64_t p, const FastaRecord& r) { return p <= r.tokensBefore; });
    if (it != records.begin()) {
        const auto k = static_cast<std::size_t>(it - records.begin()) - 1;
        const std::uint64_t base = position - records[k].tokensBefore;
        if (base <= records[k].bases && records[k].bases > 0)
            return BaseLocation{k, base};
        if (!after && records[k].bases > 0)
            return BaseLocation{k, records[k].bases};
    } else if (!after) {
        return std::nullopt;
    }
    // On a header line: the first base of the next record that has any.
    for (auto next = it; after && next != records.end(); ++next)
        if (next->bases > 0)
            return BaseLocation{static_cast<std::size_t>(next - records.begin()), 1};
    // Before the first base, looking back: nothing.
    if (!after && it != records.begin())
        for (auto back = it; back != records.begin();) {
            --back;
            if (back->bases > 0)
                return BaseLocation{static_cast<std::size_t>(back - records.begin()), back->bases};
        }
    return std::nullopt;
}

std::string DescribeRange(const std::vector<FastaRecord>& records, std::uint64_t first, std::uint64_t last)
{
    if (last < first)
        return {};
    const auto from = LocatePosition(records, first, true);
    const auto to = LocatePosition(records, last, false);
    if (!from || !to || to->record < from->record || (to->record == from->record && to->base < from->base))
        return {};
    // Built by appending: GCC 12 warns about some concatenations of temporaries.
    std::string text(RecordName(records[from->record]));
    text.append(1, ':').append(WithCommas(from->base)).append(1, '-');
    if (from->record != to->record)
        text.append(RecordName(records[to->record])).append(1, ':');
    return text.append(WithCommas(to->base));
}

std::vector<std::string> ClosestNames(const std::vector<FastaRecord>& records, std::string_view name, std::size_t count)
{
    std::vector<std::pair<std::size_t, std::size_t>> ranked; // distance, record
    for (std::size_t i = 0; i < records.size(); ++i)
        if (records[i].hasHeader && !RecordName(records[i]).empty())
            ranked.emplace_back(EditDistance(name, RecordName(records[i])), i);
    std::stable_sort(ranked.begin(), ranked.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::string> names;
    for (std::size_t i = 0; i < ranked.size() && names.size() < count; ++i) {
        const std::string_view next = RecordName(records[ranked[i].second]);
        if (std::find(names.begin(), names.end(), next) == names.end())
            names.emplace_back(next);
    }
    return names;
}

namespace {

// The bases wanted in a record: `first`, or `first` to `last`, 1-based.
struct BaseRange {
    std::uint64_t first = 1;
    std::optional<std::uint64_t> last;
};

// "pos" or "pos-end"; nothing, with `why` set, for anything else.
std::optional<BaseRange> ParseBaseRange(std::string_view range, std::string& why)
{
    BaseRange bases;
    const std::size_t dash = range.find('-');
    const auto a = BaseNumber(range.substr(0, dash), why);
    if (!a)
        return std::nullopt;
    bases.first = *a;
    if (dash != std::string_view::npos) {
        bases.last = BaseNumber(range.substr(dash + 1), why);
        if (!bases.last)
            return std::nullopt;
        if (*bases.last < bases.first) {
            why = std::string(1, '"').append(range).append("\" is not a range of bases");
            return std::nullopt;
        }
    }
    return bases;
}

// Splits "name", "name:pos" or "name:pos-end" into name and range. A name may itself hold
// ':' (HLA-A*01:01), so the whole text is tried as a name first.
std::pair<std::string_view, std::string_view> SplitNameAndRange(std::string_view text,
                                                                const std::vector<FastaRecord>& records)
{
    if (FindRecord(records, text) != nullptr)
        return {text, {}};
    const std::size_t colon = text.rfind(':');
    if (colon == std::string_view::npos)
        return {text, {}};
    return {text.substr(0, colon), text.substr(colon + 1)};
}

std::string UnknownRecordMessage(const std::vector<FastaRecord>& records, std::string_view name)
{
    std::string why = "no record named \"";
    why.append(name).append(1, '"');
    const auto closest = ClosestNames(records, name);
    for (std::size_t i = 0; i < closest.size(); ++i)
        why.append(i == 0 ? "; closest: " : ", ").append(closest[i]);
    return why;
}

RegionTarget TargetIn(const FastaRecord& record, const BaseRange& bases)
{
    RegionTarget target;
    target.startIndex = static_cast<std::int64_t>(record.tokensBefore + bases.first - 1);
    if (bases.last)
        target.endIndex = static_cast<std::int64_t>(record.tokensBefore + *bases.last);
    target.region = RecordName(record);
    target.region.append(1, ':').append(WithCommas(bases.first));
    if (bases.last)
        target.region.append(1, '-').append(WithCommas(*bases.last));
    return target;
}

} // namespace

IoResult<RegionTarget> ParseRegion(std::string_view text, const std::vector<FastaRecord>& records)
{
    text = Trim(text);
    if (text.empty())
        return IoError::Plain("type a record name, name:position, name:start-end or a start index");

    // A bare start index, as the start box takes it; a record named by digits wins.
    if (AllDigits(text.substr(text.front() == '-' ? 1 : 0)) && FindRecord(records, text) == nullptr) {
        const auto bare = WholeNumber<std::int64_t>(text);
        if (!bare)
            return IoError::Plain(std::string(1, '"').append(text).append("\" is out of range"));
        if (*bare < 0)
            return IoError::Plain("a start index is 0 or more");
        return RegionTarget{*bare, std::nullopt, {}, {}};
    }

    const auto [name, range] = SplitNameAndRange(text, records);
    std::size_t sameName = 0;
    const FastaRecord* record = FindRecord(records, name, &sameName);
    if (record == nullptr)
        return IoError::Plain(UnknownRecordMessage(records, name));
    BaseRange bases;
    if (!range.empty()) {
        std::string why;
        const auto parsed = ParseBaseRange(range, why);
        if (!parsed)
            return IoError::Plain(why);
        bases = *parsed;
    }
    if (bases.first > record->bases || (bases.last && *bases.last > record->bases))
        return IoError::Plain(
            std::string(RecordName(*record)).append(" has ").append(WithCommas(record->bases)).append(" bases"));
    RegionTarget target = TargetIn(*record, bases);
    if (sameName > 1)
        target.note = std::to_string(sameName) + " records are named " + std::string(name) +
                      "; the first is taken, as samtools faidx takes it";
    return target;
}

} // namespace lirovane
