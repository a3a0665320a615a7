#include "core/io/patterns.h"

#include "core/io/output_file.h"

#include "core/io/integer_reader.h"
#include "core/settings/app_settings.h"

#include <memory>
#include <utility>

namespace lirovane {

namespace {

std::filesystem::path InDir(const std::filesystem::path& dir, const char* name)
{
    return dir.empty() ? std::filesystem::path(name) : dir / name;
}

// The records of a plain patterns file, one at a time.
class TripleSource {
public:
    virtual ~TripleSource() = default;
    enum class Status { Ok, End, Bad };
    virtual Status Next(PatternRecord& record) = 0;
};

class PlainTriples final : public TripleSource {
public:
    explicit PlainTriples(IntegerReader& reader) : m_reader(reader) {}
    Status Next(PatternRecord& record) override
    {
        std::int32_t values[3] = {};
        for (std::int32_t& v : values) {
            switch (m_reader.Read(v)) {
            case IntegerReader::Status::Ok:
                break;
            case IntegerReader::Status::End:
                return Status::End;
            case IntegerReader::Status::Bad:
                return Status::Bad;
            }
        }
        record = PatternRecord{values[0], values[1], values[2]};
        return Status::Ok;
    }

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

} // namespace

SplitResult SplitPatterns(AppSettings& settings, const MessageSink& showMessage, const std::filesystem::path& dir)
{
    SplitResult result;
    auto fail = [&](std::string error) {
        result.error = std::move(error);
        if (showMessage)
            showMessage(kInvalidPatternsMessage);
    };

    const std::filesystem::path patternsFile = settings.patternsFile;
    IntegerReader reader;
    std::vector<PatternRecord> trfRepeats;
    std::unique_ptr<TripleSource> source;
    if (IsTrfDatFile(patternsFile)) {
        result.trf = true;
        std::string error;
        auto repeats = ReadTrfRepeats(patternsFile, settings.sequenceFile, &error);
        if (!repeats) {
            fail(std::move(error));
            return result;
        }
        trfRepeats = std::move(*repeats);
        source = std::make_unique<ListedTriples>(trfRepeats);
    } else {
        if (!reader.Open(patternsFile)) {
            fail(settings.patternsFile + ": cannot be opened for reading");
            return result;
        }
        source = std::make_unique<PlainTriples>(reader);
    }
    result.opened = true;

    // One number and CR LF per line.
    OutputFile starts(InDir(dir, "starts.txt"));
    OutputFile ends(InDir(dir, "ends.txt"));
    settings.numberOfRepeatsInThisSet = 0;

    std::uint64_t recordNumber = 0;
    PatternRecord record;
    for (;;) {
        const TripleSource::Status status = source->Next(record);
        if (status == TripleSource::Status::End)
            break;
        ++recordNumber;
        if (status == TripleSource::Status::Bad) {
            result.valid = false;
            fail(settings.patternsFile + ": record " + std::to_string(recordNumber) + ": not a signed 32-bit integer");
            break;
        }
        if (record.size < 0 || record.size > kMaxPatternSize) {
            result.valid = false;
            fail(settings.patternsFile + ": record " + std::to_string(recordNumber) + ": size " +
                 std::to_string(record.size) + " is outside 0 to " + std::to_string(kMaxPatternSize));
            break;
        }
        if (record.size == settings.sizeOfRepeats) {
            starts.Write(std::to_string(record.start) + "\r\n");
            ends.Write(std::to_string(record.end) + "\r\n");
            ++settings.numberOfRepeatsInThisSet;
        }
    }
    const bool startsOk = starts.Close();
    const bool endsOk = ends.Close();
    result.written = startsOk && endsOk;
    if (!result.written && result.error.empty())
        result.error = "starts.txt or ends.txt could not be written";
    result.count = settings.numberOfRepeatsInThisSet;
    return result;
}

} // namespace lirovane
