#include "core/intervals/patterns.h"

#include "core/files/output_file.h"

#include "core/files/input_file.h"
#include "core/intervals/integer_reader.h"
#include "core/intervals/trf_dat.h"

#include <memory>
#include <optional>
#include <utility>

namespace lirovane {

namespace {

// The records of a plain patterns file, one at a time.
class TripleSource {
public:
    virtual ~TripleSource() = default;
    enum class Status { Ok, End, Bad };
    virtual Status Next(PatternRecord& record) = 0;
    // The line the last record ended on, or 0 when the records have no lines of their own.
    virtual std::uint64_t Line() const { return 0; }
};

class PlainTriples final : public TripleSource {
public:
    explicit PlainTriples(IntegerReader& reader) : m_reader(reader) {}
    Status Next(PatternRecord& record) override
    {
        std::int64_t values[3] = {};
        for (std::int64_t& v : values) {
            switch (m_reader.Read(v)) {
            case IntegerReader::Status::Ok: break;
            case IntegerReader::Status::End: return Status::End;
            case IntegerReader::Status::Bad: return Status::Bad;
            }
        }
        record = PatternRecord{values[0], values[1], values[2]};
        return Status::Ok;
    }
    std::uint64_t Line() const override { return m_reader.Line(); }

private:
    IntegerReader& m_reader;
};

class ListedTriples final : public TripleSource {
public:
    explicit ListedTriples(const std::vector<PatternRecord>& records) : m_records(records) {}
    Status Next(PatternRecord& record) override
    {
        if (m_next == m_records.size())
            return Status::End;
        record = m_records[m_next++];
        return Status::Ok;
    }

private:
    const std::vector<PatternRecord>& m_records;
    std::size_t m_next = 0;
};

// The records of a patterns file or a Tandem Repeats Finder .dat file. Nothing, with
// `error` set, when the file cannot be read or converted.
std::unique_ptr<TripleSource> OpenTriples(const std::filesystem::path& patternsFile,
                                          const std::filesystem::path& sequenceFile, IntegerReader& reader,
                                          std::vector<PatternRecord>& trfRepeats, bool& trf,
                                          std::optional<IoError>& error)
{
    if (IsTrfDatFile(patternsFile)) {
        trf = true;
        auto repeats = ReadTrfRepeats(patternsFile, sequenceFile);
        if (!repeats) {
            error = repeats.error();
            return nullptr;
        }
        trfRepeats = std::move(repeats).value();
        return std::make_unique<ListedTriples>(trfRepeats);
    }
    if (const IoStatus opened = reader.Open(patternsFile); !opened) {
        error = opened.error();
        return nullptr;
    }
    return std::make_unique<PlainTriples>(reader);
}

// Hands every valid record to `take` until the end of the file or the first bad
// record, which sets `error`.
template <typename Take>
void ReadTriples(TripleSource& source, const std::filesystem::path& file, std::optional<IoError>& error, Take take)
{
    std::uint64_t recordNumber = 0;
    PatternRecord record;
    for (;;) {
        const TripleSource::Status status = source.Next(record);
        if (status == TripleSource::Status::End)
            return;
        ++recordNumber;
        // A plain file's fault is named by its line; a converted record by its number.
        const std::uint64_t line = source.Line();
        const std::string where = line > 0 ? std::string() : "record " + std::to_string(recordNumber) + ": ";
        if (status == TripleSource::Status::Bad) {
            error = IoError::Content(file, line, where + "not a whole number within the signed 64-bit range");
            return;
        }
        if (record.size < 0 || record.size > kMaxPatternSize) {
            error = IoError::Content(file, line,
                                     where + "size " + std::to_string(record.size) + " is outside 0 to " +
                                         std::to_string(kMaxPatternSize));
            return;
        }
        take(record);
    }
}

// The first failure of two writers.
IoStatus Closed(OutputFile& first, OutputFile& second)
{
    IoStatus firstClosed = first.Close();
    IoStatus secondClosed = second.Close();
    return firstClosed.ok() ? secondClosed : firstClosed;
}

// Puts each size's lines in place; the first failure, after trying every size.
IoStatus WritePositionFiles(const std::vector<SizeSelection>& sizes, const std::vector<std::string>& starts,
                            const std::vector<std::string>& ends)
{
    IoStatus first;
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        OutputFile startsFile(PositionFile(sizes[i].dir, "starts.txt"));
        OutputFile endsFile(PositionFile(sizes[i].dir, "ends.txt"));
        startsFile.Write(starts[i]);
        endsFile.Write(ends[i]);
        if (IoStatus written = Closed(startsFile, endsFile); !written && first.ok())
            first = std::move(written);
    }
    return first;
}

} // namespace

std::filesystem::path PositionFile(const std::filesystem::path& dir, const char* name)
{
    return dir.empty() ? std::filesystem::path(name) : dir / name;
}

bool PatternsRejected(const IoStatus& split, const std::vector<SizeSelection>& sizes)
{
    if (split.ok())
        return false;
    for (const SizeSelection& size : sizes)
        if (split.error().file == PositionFile(size.dir, "starts.txt") ||
            split.error().file == PositionFile(size.dir, "ends.txt"))
            return false;
    return true;
}

IoStatus SplitPatterns(const std::filesystem::path& patternsFile, const std::filesystem::path& sequenceFile,
                       std::vector<SizeSelection>& sizes, BadRecord onBadRecord)
{
    std::optional<IoError> error;
    IntegerReader reader;
    std::vector<PatternRecord> trfRepeats;
    bool trf = false;
    std::unique_ptr<TripleSource> source = OpenTriples(patternsFile, sequenceFile, reader, trfRepeats, trf, error);
    // A .dat file that cannot be converted selects nothing, as one without a record of
    // the size would: an earlier selection, of another genome perhaps, must not be drawn.
    if (!source && !(trf && onBadRecord == BadRecord::KeepRecordsBefore))
        return std::move(*error);

    // Sizes are 0 to 2000: one slot per size says which selection takes it.
    std::vector<int> slotOfSize(kMaxPatternSize + 1, -1);
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        sizes[i].count = 0;
        if (sizes[i].size >= 0 && sizes[i].size <= kMaxPatternSize)
            slotOfSize[static_cast<std::size_t>(sizes[i].size)] = static_cast<int>(i);
    }
    std::vector<std::string> starts(sizes.size());
    std::vector<std::string> ends(sizes.size());
    if (source)
        ReadTriples(*source, patternsFile, error, [&](const PatternRecord& record) {
            const int slot = slotOfSize[static_cast<std::size_t>(record.size)];
            if (slot < 0)
                return;
            const auto i = static_cast<std::size_t>(slot);
            starts[i] += std::to_string(record.start) + "\r\n";
            ends[i] += std::to_string(record.end) + "\r\n";
            ++sizes[i].count;
        });
    if (error && onBadRecord == BadRecord::SelectNothing)
        return std::move(*error);
    if (IoStatus written = WritePositionFiles(sizes, starts, ends); !written)
        return written;
    return error ? IoStatus(std::move(*error)) : IoStatus();
}

IoStatus WritePatternsFile(const std::filesystem::path& file, const std::vector<PatternRecord>& records)
{
    OutputFile out(file);
    for (const PatternRecord& r : records)
        out.Write(std::to_string(r.start) + ' ' + std::to_string(r.end) + ' ' + std::to_string(r.size) + '\n');
    return out.Close();
}

} // namespace lirovane
