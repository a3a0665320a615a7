// Tandem Repeats Finder .dat output read as patterns of this program's positions.
#include "core/io/fasta_records.h"
#include "core/io/output_file.h"
#include "core/io/patterns.h"

#include <charconv>
#include <fstream>
#include <limits>

namespace lirovane {

namespace {

constexpr std::string_view kTrfCredit = "Tandem Repeats Finder Program";
constexpr std::string_view kSequenceLabel = "Sequence:";
constexpr std::string_view kParametersLabel = "Parameters:";
// trf -ngs writes no credit header and names each sequence on a line "@<header>".
constexpr char kNgsSequenceMark = '@';

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && IsSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

std::string_view FirstWord(std::string_view text)
{
    text = Trim(text);
    std::size_t i = 0;
    while (i < text.size() && !IsSpace(text[i]))
        ++i;
    return text.substr(0, i);
}

std::vector<std::string_view> Fields(std::string_view line)
{
    std::vector<std::string_view> fields;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && IsSpace(line[i]))
            ++i;
        const std::size_t begin = i;
        while (i < line.size() && !IsSpace(line[i]))
            ++i;
        if (i > begin)
            fields.push_back(line.substr(begin, i - begin));
    }
    return fields;
}

// A whole field as a non-negative integer.
bool ParseCount(std::string_view field, std::uint64_t& value)
{
    const char* end = field.data() + field.size();
    const auto [ptr, ec] = std::from_chars(field.data(), end, value);
    return ec == std::errc{} && ptr == end;
}

bool NamesAgree(const FastaRecord& record, std::string_view datName)
{
    if (!record.hasHeader)
        return true; // nothing to compare with
    const std::string_view fastaName = Trim(record.name);
    datName = Trim(datName);
    return fastaName == datName || FirstWord(fastaName) == FirstWord(datName);
}

void SetError(std::string* error, std::string text)
{
    if (error != nullptr)
        *error = std::move(text);
}

} // namespace

bool IsTrfDatFile(const std::filesystem::path& file)
{
    std::error_code ec;
    if (std::filesystem::is_directory(file, ec))
        return false;
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return false;
    char head[256] = {};
    in.read(head, sizeof head);
    std::string_view text(head, static_cast<std::size_t>(in.gcount()));
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    while (!text.empty() && IsSpace(text.front()))
        text.remove_prefix(1);
    return text.substr(0, kTrfCredit.size()) == kTrfCredit || (!text.empty() && text.front() == kNgsSequenceMark);
}

std::optional<std::vector<PatternRecord>> ReadTrfRepeats(const std::filesystem::path& datFile,
                                                         const std::filesystem::path& sequenceFile, std::string* error)
{
    const std::string datName = datFile.string();
    const std::string sequenceName = sequenceFile.string();

    std::error_code ec;
    std::ifstream dat;
    if (!std::filesystem::is_directory(datFile, ec))
        dat.open(datFile, std::ios::binary);
    if (!dat) {
        SetError(error, datName + ": cannot be opened for reading");
        return std::nullopt;
    }
    const auto fasta = ScanFastaRecords(sequenceFile);
    if (!fasta) {
        SetError(error, sequenceName + ": cannot be opened for reading");
        return std::nullopt;
    }

    std::vector<PatternRecord> repeats;
    const FastaRecord* record = nullptr;
    std::size_t nextRecord = 0;
    std::string line;
    std::uint64_t lineNumber = 0;
    constexpr auto kMaxPosition = static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max());

    auto failAt = [&](const std::string& what) {
        SetError(error, datName + ": line " + std::to_string(lineNumber) + ": " + what);
        return std::nullopt;
    };

    while (std::getline(dat, line)) {
        ++lineNumber;
        const std::string_view text = Trim(line);
        const bool ngsName = !text.empty() && text.front() == kNgsSequenceMark;
        if (ngsName || text.substr(0, kSequenceLabel.size()) == kSequenceLabel) {
            const std::string_view name = Trim(text.substr(ngsName ? 1 : kSequenceLabel.size()));
            // Records are matched in order; records trf left out are passed over.
            record = nullptr;
            while (nextRecord < fasta->size()) {
                const FastaRecord& candidate = (*fasta)[nextRecord++];
                if (NamesAgree(candidate, name)) {
                    record = &candidate;
                    break;
                }
            }
            if (record == nullptr)
                return failAt("sequence \"" + std::string(name) + "\" is not a record of " + sequenceName +
                              " (records are matched in file order)");
            continue;
        }
        // The credit header, parameter lines and empty lines carry no repeats.
        if (record == nullptr || text.empty() || text.substr(0, kParametersLabel.size()) == kParametersLabel)
            continue;

        const auto fields = Fields(text);
        std::uint64_t start = 0, end = 0, period = 0, consensus = 0;
        if (fields.size() < 15 || !ParseCount(fields[0], start) || !ParseCount(fields[1], end) ||
            !ParseCount(fields[2], period) || !ParseCount(fields[4], consensus))
            return failAt("not a Tandem Repeats Finder repeat line");
        if (start < 1 || end < start)
            return failAt("start " + std::string(fields[0]) + " and end " + std::string(fields[1]) +
                          " do not make a range");
        if (end > record->bases)
            return failAt("repeat ends at base " + std::string(fields[1]) + " but \"" + record->name + "\" of " +
                          sequenceName + " has " + std::to_string(record->bases) + " bases");
        if (end + record->tokensBefore > kMaxPosition || consensus > kMaxPosition)
            return failAt("position beyond the signed 32-bit range");
        repeats.push_back(PatternRecord{static_cast<std::int32_t>(start + record->tokensBefore),
                                        static_cast<std::int32_t>(end + record->tokensBefore),
                                        static_cast<std::int32_t>(consensus)});
    }
    if (dat.bad()) {
        SetError(error, datName + ": read error");
        return std::nullopt;
    }
    if (record == nullptr && nextRecord == 0) {
        SetError(error, datName + ": no \"Sequence:\" or \"@\" record found");
        return std::nullopt;
    }
    return repeats;
}

bool WritePatternsFile(const std::filesystem::path& file, const std::vector<PatternRecord>& records)
{
    OutputFile out(file);
    for (const PatternRecord& r : records)
        out.Write(std::to_string(r.start) + ' ' + std::to_string(r.end) + ' ' + std::to_string(r.size) + '\n');
    return out.Close();
}

} // namespace lirovane
