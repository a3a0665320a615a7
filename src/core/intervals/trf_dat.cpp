// Tandem Repeats Finder .dat output read as patterns of this program's positions.
#include "core/intervals/trf_dat.h"

#include "core/intervals/integer_text.h"
#include "core/sequence/fasta_records.h"

#include "core/files/input_file.h"

#include <cerrno>
#include <cstdio>
#include <limits>
#include <utility>

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

bool NamesAgree(const FastaRecord& record, std::string_view datName)
{
    if (!record.hasHeader)
        return true; // nothing to compare with
    const std::string_view fastaName = Trim(record.name);
    datName = Trim(datName);
    return fastaName == datName || FirstWord(fastaName) == FirstWord(datName);
}

// Lines of a text file, each held up to a bound: trf's lines are short, and a file
// with one endless line must not be taken into memory before it is rejected.
class BoundedLines {
public:
    static constexpr std::size_t kMaxLine = 1 << 20;

    explicit BoundedLines(std::FILE* file) : m_file(file) {}
    ~BoundedLines() { std::fclose(m_file); }
    BoundedLines(const BoundedLines&) = delete;
    BoundedLines& operator=(const BoundedLines&) = delete;

    enum class Status { Line, End, TooLong, Failed };
    // The next line without its line break.
    Status Next(std::string& line)
    {
        line.clear();
        for (;;) {
            const int c = std::getc(m_file);
            if (c == EOF)
                return std::ferror(m_file) != 0 ? Status::Failed
                                                : (line.empty() && !m_pending ? Status::End : Finish());
            m_pending = true;
            if (c == '\n')
                return Finish();
            if (line.size() == kMaxLine)
                return Status::TooLong;
            line.push_back(static_cast<char>(c));
        }
    }

private:
    Status Finish()
    {
        m_pending = false;
        return Status::Line;
    }

    std::FILE* m_file;
    bool m_pending = false;
};

// The lines of a .dat file, one at a time: a record line picks the FASTA record it
// names, a repeat line becomes a repeat at that record's positions.
class RepeatLines {
public:
    RepeatLines(const std::vector<FastaRecord>& fasta, std::string sequenceName)
        : m_fasta(fasta), m_sequenceName(std::move(sequenceName))
    {
    }

    enum class Line { Other, Repeat, Bad };

    // One trimmed line: Repeat with `repeat` set, Bad with `problem` set, or Other.
    Line Take(std::string_view text, PatternRecord& repeat, std::string& problem)
    {
        const bool ngsName = !text.empty() && text.front() == kNgsSequenceMark;
        if (ngsName || text.substr(0, kSequenceLabel.size()) == kSequenceLabel) {
            problem = MatchRecord(Trim(text.substr(ngsName ? 1 : kSequenceLabel.size())));
            return problem.empty() ? Line::Other : Line::Bad;
        }
        // The credit header, parameter lines and empty lines carry no repeats.
        if (m_record == nullptr || text.empty() || text.substr(0, kParametersLabel.size()) == kParametersLabel)
            return Line::Other;
        problem = ParseRepeat(text, repeat);
        return problem.empty() ? Line::Repeat : Line::Bad;
    }

    // Whether any record line was met.
    bool SawRecord() const noexcept { return m_record != nullptr || m_next != 0; }
    // The fields of the last repeat line taken; they point into its text.
    const std::vector<std::string_view>& RepeatFields() const noexcept { return m_fields; }

private:
    // Empty when a record of that name follows the last one matched; otherwise why not.
    std::string MatchRecord(std::string_view name)
    {
        // Records are matched in order; records trf left out are passed over.
        m_record = nullptr;
        while (m_next < m_fasta.size()) {
            const FastaRecord& candidate = m_fasta[m_next++];
            if (NamesAgree(candidate, name)) {
                m_record = &candidate;
                return {};
            }
        }
        return "sequence \"" + std::string(name) + "\" is not a record of " + m_sequenceName +
               " (records are matched in file order)";
    }

    // Empty with `repeat` set, or what is wrong with the line.
    std::string ParseRepeat(std::string_view text, PatternRecord& repeat)
    {
        constexpr auto kMaxPosition = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
        m_fields = Fields(text);
        const auto& fields = m_fields;
        if (fields.size() < 15)
            return "not a Tandem Repeats Finder repeat line";
        const auto start = WholeNumber<std::uint64_t>(fields[0]);
        const auto end = WholeNumber<std::uint64_t>(fields[1]);
        const auto consensus = WholeNumber<std::uint64_t>(fields[4]);
        if (!start || !end || !WholeNumber<std::uint64_t>(fields[2]) || !consensus)
            return "not a Tandem Repeats Finder repeat line";
        if (*start < 1 || *end < *start)
            return "start " + std::string(fields[0]) + " and end " + std::string(fields[1]) + " do not make a range";
        if (*end > m_record->bases)
            return "repeat ends at base " + std::string(fields[1]) + " but \"" + m_record->name + "\" of " +
                   m_sequenceName + " has " + std::to_string(m_record->bases) + " bases";
        if (*end + m_record->tokensBefore > kMaxPosition || *consensus > kMaxPosition)
            return "position beyond the signed 64-bit range";
        repeat = PatternRecord{static_cast<std::int64_t>(*start + m_record->tokensBefore),
                               static_cast<std::int64_t>(*end + m_record->tokensBefore),
                               static_cast<std::int64_t>(*consensus)};
        return {};
    }

    const std::vector<FastaRecord>& m_fasta;
    std::string m_sequenceName;
    const FastaRecord* m_record = nullptr;
    std::size_t m_next = 0;
    std::vector<std::string_view> m_fields;
};

// Reads the repeat lines of `datFile` against the records of `sequenceName`, handing
// each repeat and its line's fields to `onRepeat`.
template <typename OnRepeat>
IoStatus ReadRepeatLines(const std::filesystem::path& datFile, const std::vector<FastaRecord>& fasta,
                         std::string sequenceName, OnRepeat onRepeat)
{
    IoResult<std::FILE*> datStream = OpenInputFile(datFile);
    if (!datStream)
        return datStream;
    BoundedLines dat(*datStream);
    RepeatLines lines{fasta, std::move(sequenceName)};
    std::string line;
    std::uint64_t lineNumber = 0;
    for (;;) {
        const BoundedLines::Status status = dat.Next(line);
        if (status == BoundedLines::Status::End)
            break;
        ++lineNumber;
        if (status == BoundedLines::Status::Failed)
            return IoError::FromErrno(datFile, errno, "read error");
        if (status == BoundedLines::Status::TooLong)
            return IoError::Content(datFile, lineNumber,
                                    "longer than " + std::to_string(BoundedLines::kMaxLine) +
                                        " bytes: not Tandem Repeats Finder output");
        PatternRecord repeat;
        std::string problem;
        switch (lines.Take(Trim(line), repeat, problem)) {
        case RepeatLines::Line::Repeat: onRepeat(repeat, lines.RepeatFields()); break;
        case RepeatLines::Line::Bad: return IoError::Content(datFile, lineNumber, std::move(problem));
        case RepeatLines::Line::Other: break;
        }
    }
    if (!lines.SawRecord())
        return IoError::Content(datFile, 0, "no \"Sequence:\" or \"@\" record found");
    return {};
}

} // namespace

bool IsTrfDatFile(const std::filesystem::path& file)
{
    const IoResult<std::FILE*> opened = OpenInputFile(file);
    if (!opened)
        return false;
    std::FILE* in = *opened;
    char head[256] = {};
    std::string_view text(head, std::fread(head, 1, sizeof head, in));
    std::fclose(in);
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    while (!text.empty() && IsSpace(text.front()))
        text.remove_prefix(1);
    return text.substr(0, kTrfCredit.size()) == kTrfCredit || (!text.empty() && text.front() == kNgsSequenceMark);
}

IoResult<std::vector<PatternRecord>> ReadTrfRepeats(const std::filesystem::path& datFile,
                                                    const std::filesystem::path& sequenceFile)
{
    // A .dat that cannot be opened is named before the sequence is scanned.
    if (const IoStatus readable = CheckReadableFile(datFile); !readable)
        return readable.error();
    const auto fasta = ScanFastaRecords(sequenceFile);
    if (!fasta)
        return fasta.error();
    std::vector<PatternRecord> repeats;
    IoStatus read = ReadRepeatLines(datFile, *fasta, sequenceFile.string(),
                                    [&](const PatternRecord& repeat, const auto&) { repeats.push_back(repeat); });
    if (!read)
        return read.error();
    return repeats;
}

IoResult<std::vector<TrfRepeat>> ReadTrfRepeatColumns(const std::filesystem::path& datFile,
                                                      const std::vector<FastaRecord>& records,
                                                      const std::filesystem::path& sequenceFile,
                                                      const std::function<bool(std::int64_t size)>& keep)
{
    std::vector<TrfRepeat> repeats;
    IoStatus read = ReadRepeatLines(datFile, records, sequenceFile.string(),
                                    [&](const PatternRecord& repeat, const std::vector<std::string_view>& fields) {
                                        if (keep && !keep(repeat.size))
                                            return;
                                        repeats.push_back({repeat, std::string(fields[2]), std::string(fields[3]),
                                                           std::string(fields[7]), std::string(fields[13])});
                                    });
    if (!read)
        return read.error();
    return repeats;
}

} // namespace lirovane
