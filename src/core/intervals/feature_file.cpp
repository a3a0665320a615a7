// BED and GFF3 annotation read as features on the records of a sequence file.
#include "core/intervals/feature_file.h"

#include "core/intervals/integer_text.h"
#include "core/sequence/byte_source.h"
#include "core/sequence/genome_coordinates.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <optional>
#include <unordered_map>
#include <utility>

namespace lirovane {

namespace {

// Lines of a plain or compressed text, read in large blocks. A line is held whole, up
// to a bound, so that a file with one endless line is refused before it fills memory.
class TextLines {
public:
    static constexpr std::size_t kBlock = std::size_t{1} << 20;
    static constexpr std::size_t kMaxLine = std::size_t{1} << 20;

    explicit TextLines(std::unique_ptr<ByteSource> source) : m_source(std::move(source)), m_buffer(2 * kBlock, '\0') {}

    enum class Status { Line, End, TooLong, Failed };

    // The next line without its line break (nor a carriage return before it).
    Status Next(std::string_view& line)
    {
        for (;;) {
            const char* begin = m_buffer.data() + m_begin;
            const void* newline = std::memchr(begin, '\n', m_end - m_begin);
            if (newline != nullptr || (m_ended && m_begin < m_end)) {
                const std::size_t length = newline != nullptr
                                               ? static_cast<std::size_t>(static_cast<const char*>(newline) - begin)
                                               : m_end - m_begin;
                line = std::string_view(begin, length);
                if (!line.empty() && line.back() == '\r')
                    line.remove_suffix(1);
                m_begin += length + (newline != nullptr ? 1 : 0);
                return Status::Line;
            }
            if (m_ended)
                return m_source->Status().ok() ? Status::End : Status::Failed;
            if (m_end - m_begin > kMaxLine)
                return Status::TooLong;
            Refill();
        }
    }

    const IoStatus& SourceStatus() const { return m_source->Status(); }

private:
    void Refill()
    {
        std::memmove(m_buffer.data(), m_buffer.data() + m_begin, m_end - m_begin);
        m_end -= m_begin;
        m_begin = 0;
        const std::size_t got = m_source->Read(m_buffer.data() + m_end, m_buffer.size() - m_end);
        m_end += got;
        m_ended = got == 0;
    }

    std::unique_ptr<ByteSource> m_source;
    std::string m_buffer;
    std::size_t m_begin = 0;
    std::size_t m_end = 0;
    bool m_ended = false;
};

// Up to N fields of a line split at `separator`; the last field keeps any further ones.
template <std::size_t N> struct Fields {
    std::array<std::string_view, N> field{};
    std::size_t count = 0;

    // A plain loop: fields are short, and a library search per field costs more than
    // the bytes it passes over.
    Fields(std::string_view line, char separator)
    {
        const char* begin = line.data();
        const char* end = begin + line.size();
        for (const char* p = begin; p != end && count + 1 < N; ++p) {
            if (*p == separator) {
                field[count++] = std::string_view(begin, static_cast<std::size_t>(p - begin));
                begin = p + 1;
            }
        }
        field[count++] = std::string_view(begin, static_cast<std::size_t>(end - begin));
    }
};

std::string Quoted(std::string_view text)
{
    return std::string(1, '"').append(text).append(1, '"');
}

// Record names as a .fai gives them, looked up by the name a feature file uses.
class RecordNames {
public:
    RecordNames(const std::vector<FastaRecord>& records, std::string_view sequenceName)
        : m_records(records), m_sequenceName(sequenceName)
    {
        for (std::size_t i = 0; i < records.size(); ++i)
            if (records[i].hasHeader)
                m_index.emplace(std::string(RecordName(records[i])), static_cast<std::uint32_t>(i));
    }

    // The record of `name` holding bases [start, end); otherwise why not.
    std::optional<std::uint32_t> Find(std::string_view name, std::uint64_t end, std::string& why)
    {
        // Annotation lines come grouped by record: one lookup per group.
        if (!m_lastName || name != *m_lastName) {
            const auto it = m_index.find(std::string(name));
            if (it == m_index.end())
                return Unknown(name, why);
            m_last = it->second;
            m_lastName = it->first;
        }
        const FastaRecord& record = m_records[m_last];
        if (end > record.bases) {
            why = "feature ends at base " + std::to_string(end) + " but " + Quoted(RecordName(record)) + " of " +
                  m_sequenceName + " has " + std::to_string(record.bases) + " bases";
            return std::nullopt;
        }
        return m_last;
    }

private:
    std::optional<std::uint32_t> Unknown(std::string_view name, std::string& why)
    {
        why = "no record named " + Quoted(name) + " in " + m_sequenceName;
        const auto closest = ClosestNames(m_records, name);
        for (std::size_t i = 0; i < closest.size(); ++i)
            why.append(i == 0 ? "; closest: " : ", ").append(closest[i]);
        return std::nullopt;
    }

    const std::vector<FastaRecord>& m_records;
    std::string m_sequenceName;
    std::unordered_map<std::string, std::uint32_t> m_index;
    std::optional<std::string_view> m_lastName; // a key of m_index
    std::uint32_t m_last = 0;
};

std::optional<std::uint64_t> Number(std::string_view text, std::string_view what, std::string& why)
{
    const auto n = WholeNumber<std::uint64_t>(text);
    if (!n)
        why = std::string(what).append(1, ' ').append(Quoted(text)).append(" is not a whole number");
    return n;
}

bool TakeStrand(std::string_view text, bool gff, char& strand, std::string& why)
{
    if (text == "+" || text == "-" || text == ".") {
        strand = text.front();
        return true;
    }
    // GFF3's "relevant but unknown" strand is drawn as it lies.
    if (gff && text == "?") {
        strand = '.';
        return true;
    }
    why = "strand " + Quoted(text) + " is not +, - or .";
    return false;
}

// The comma-separated numbers of a BED12 list; a trailing comma is allowed.
bool NumberList(std::string_view text, std::size_t count, std::vector<std::uint64_t>& out, std::string& why)
{
    out.clear();
    while (!text.empty() && out.size() <= count) {
        const std::size_t comma = text.find(',');
        const auto n = Number(text.substr(0, comma), "block value", why);
        if (!n)
            return false;
        out.push_back(*n);
        text.remove_prefix(comma == std::string_view::npos ? text.size() : comma + 1);
    }
    if (out.size() != count)
        why = "the block list " + Quoted(text) + " does not hold " + std::to_string(count) + " values";
    return out.size() == count;
}

// BED12 columns 10 to 12 as blocks inside [0, length): ascending and apart, as the
// format asks, so that the spliced letters are the exons joined in order.
bool TakeBlocks(const Fields<13>& f, std::uint64_t length, std::vector<FeatureBlock>& blocks, std::string& why)
{
    const auto count = Number(f.field[9], "block count", why);
    if (!count)
        return false;
    if (*count == 0 || *count > length + 1) {
        why = "block count " + std::to_string(*count) + " does not fit the feature";
        return false;
    }
    std::vector<std::uint64_t> sizes;
    std::vector<std::uint64_t> starts;
    if (!NumberList(f.field[10], *count, sizes, why) || !NumberList(f.field[11], *count, starts, why))
        return false;
    std::uint64_t reached = 0;
    for (std::size_t i = 0; i < *count; ++i) {
        if (starts[i] < reached || starts[i] > length || sizes[i] > length - starts[i]) {
            why = "block " + std::to_string(i + 1) + " lies outside the feature or before the block ahead of it";
            return false;
        }
        reached = starts[i] + sizes[i];
        blocks.push_back({starts[i], sizes[i]});
    }
    return true;
}

} // namespace

namespace {

// What a line gives: a feature kept, a line without one, or a fault (`why` set).
enum class LineKind { Feature, Skip, Bad, End };

bool IsBedHeader(std::string_view line)
{
    const auto word = [&](std::string_view w) {
        return line.substr(0, w.size()) == w &&
               (line.size() == w.size() || line[w.size()] == ' ' || line[w.size()] == '\t');
    };
    return line.front() == '#' || word("track") || word("browser");
}

class BedLines {
public:
    BedLines(RecordNames& names, FeatureSet& set) : m_names(names) { set.types.assign(1, std::string()); }

    LineKind Take(std::string_view line, Feature& feature, std::string& why)
    {
        if (line.find_first_not_of(" \t") == std::string_view::npos || IsBedHeader(line))
            return LineKind::Skip;
        // Columns are tab-separated; a line without a tab is taken as split by spaces.
        const Fields<13> f(line, line.find('\t') == std::string_view::npos ? ' ' : '\t');
        if (f.count < 3) {
            why = "a BED line needs at least 3 columns: record, start, end";
            return LineKind::Bad;
        }
        const auto start = Number(f.field[1], "start", why);
        const auto end = start ? Number(f.field[2], "end", why) : std::nullopt;
        if (!end)
            return LineKind::Bad;
        if (*start > *end) {
            why = "start " + std::to_string(*start) + " is after end " + std::to_string(*end);
            return LineKind::Bad;
        }
        feature.start = *start;
        feature.end = *end;
        if (f.count >= 4 && f.field[3] != ".")
            feature.name = f.field[3];
        if (f.count >= 6 && !TakeStrand(f.field[5], false, feature.strand, why))
            return LineKind::Bad;
        if (f.count >= 12 && !TakeBlocks(f, *end - *start, feature.blocks, why))
            return LineKind::Bad;
        const auto record = m_names.Find(f.field[0], *end, why);
        if (!record)
            return LineKind::Bad;
        feature.record = *record;
        return LineKind::Feature;
    }

private:
    RecordNames& m_names;
};

// The value of `key` in a GFF3 attribute column ("ID=a;Name=b"), still escaped.
std::optional<std::string_view> Attribute(std::string_view attributes, std::string_view key)
{
    while (!attributes.empty()) {
        const std::size_t semicolon = attributes.find(';');
        std::string_view pair = attributes.substr(0, semicolon);
        while (!pair.empty() && pair.front() == ' ')
            pair.remove_prefix(1);
        if (pair.size() > key.size() && pair.substr(0, key.size()) == key && pair[key.size()] == '=')
            return pair.substr(key.size() + 1);
        if (semicolon == std::string_view::npos)
            break;
        attributes.remove_prefix(semicolon + 1);
    }
    return std::nullopt;
}

class GffLines {
public:
    GffLines(RecordNames& names, FeatureSet& set) : m_names(names), m_set(set), m_filtered(!set.types.empty()) {}

    LineKind Take(std::string_view line, Feature& feature, std::string& why)
    {
        if (line.substr(0, 7) == "##FASTA" || line.front() == '>')
            return LineKind::End;
        if (line.substr(0, 13) == "##gff-version") {
            if (line.find('3', 13) == std::string_view::npos) {
                why = "not GFF version 3: GFF3 expected";
                return LineKind::Bad;
            }
            return LineKind::Skip;
        }
        if (line.front() == '#' || line.find_first_not_of(" \t") == std::string_view::npos)
            return LineKind::Skip;
        // The type first: the other columns of a line not asked for are never looked at.
        const Fields<4> head(line, '\t');
        if (head.count == 4 && !TypeKept(head.field[2], feature.type))
            return LineKind::Skip;
        const Fields<10> f(line, '\t');
        if (f.count != 9) {
            why = "a GFF3 line has 9 tab-separated columns, this one " + std::to_string(f.count);
            return LineKind::Bad;
        }
        return TakeColumns(f, feature, why);
    }

private:
    LineKind TakeColumns(const Fields<10>& f, Feature& feature, std::string& why)
    {
        const auto start = Number(f.field[3], "start", why);
        const auto end = start ? Number(f.field[4], "end", why) : std::nullopt;
        if (!end)
            return LineKind::Bad;
        if (*start < 1 || *start > *end) {
            why =
                "start " + std::to_string(*start) + " and end " + std::to_string(*end) + " do not make a 1-based range";
            return LineKind::Bad;
        }
        if (!TakeStrand(f.field[6], true, feature.strand, why))
            return LineKind::Bad;
        const std::string_view attributes = f.field[8];
        if (attributes.find('=') == std::string_view::npos && attributes.find('"') != std::string_view::npos) {
            why = "attributes written as in GTF (key \"value\";): GFF3 expected";
            return LineKind::Bad;
        }
        const std::string_view seqid = f.field[0];
        const auto record = seqid.find('%') == std::string_view::npos ? m_names.Find(seqid, *end, why)
                                                                      : m_names.Find(PercentDecoded(seqid), *end, why);
        if (!record)
            return LineKind::Bad;
        feature.record = *record;
        feature.start = *start - 1;
        feature.end = *end;
        auto name = Attribute(attributes, "Name");
        if (!name)
            name = Attribute(attributes, "ID");
        if (name)
            feature.name = PercentDecoded(*name);
        return LineKind::Feature;
    }

    // Whether features of `type` are kept, and under which index of the set's types.
    bool TypeKept(std::string_view type, std::uint32_t& index)
    {
        const auto it = std::find(m_set.types.begin(), m_set.types.end(), type);
        if (it != m_set.types.end()) {
            index = static_cast<std::uint32_t>(it - m_set.types.begin());
            return true;
        }
        if (m_filtered)
            return false;
        index = static_cast<std::uint32_t>(m_set.types.size());
        m_set.types.emplace_back(type);
        return true;
    }

    RecordNames& m_names;
    FeatureSet& m_set;
    bool m_filtered; // the set's types are those asked for
};

} // namespace

namespace {

bool IsGtfName(const std::filesystem::path& file)
{
    std::string name = file.filename().string();
    for (char& c : name)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return name.ends_with(".gtf") || name.ends_with(".gtf.gz");
}

// Reads every line of `lines` through `parser`, keeping its features in `set`.
template <typename Parser>
IoStatus ReadLines(const std::filesystem::path& file, TextLines& lines, Parser& parser, FeatureSet& set)
{
    std::string_view line;
    std::uint64_t number = 0;
    Feature feature;
    for (;;) {
        const TextLines::Status status = lines.Next(line);
        if (status == TextLines::Status::End)
            return {};
        if (status == TextLines::Status::Failed)
            return lines.SourceStatus();
        ++number;
        if (status == TextLines::Status::TooLong)
            return IoError::Content(file, number,
                                    "longer than " + std::to_string(TextLines::kMaxLine) + " bytes: not an annotation");
        if (line.empty())
            continue;
        std::string why;
        switch (parser.Take(line, feature, why)) {
        case LineKind::End: return {};
        case LineKind::Skip: break;
        case LineKind::Bad: return IoError::Content(file, number, std::move(why));
        case LineKind::Feature:
            feature.line = number;
            set.features.push_back(std::move(feature));
            feature = Feature{};
            break;
        }
    }
}

} // namespace

IoResult<FeatureSet> ReadFeatures(const FeatureQuery& query, const std::vector<FastaRecord>& records,
                                  std::string_view sequenceName)
{
    if (query.format == FeatureFormat::Gff3 && IsGtfName(query.file))
        return IoError::Content(query.file, 0, "GTF is not read: GFF3 expected");
    auto source = OpenByteSource(query.file);
    if (!source)
        return source.error();
    TextLines lines(std::move(source).value());
    RecordNames names(records, sequenceName);
    FeatureSet set;
    IoStatus read;
    if (query.format == FeatureFormat::Bed) {
        BedLines parser(names, set);
        read = ReadLines(query.file, lines, parser, set);
    } else {
        set.types = query.types;
        GffLines parser(names, set);
        read = ReadLines(query.file, lines, parser, set);
    }
    if (!read)
        return {read.error(), std::move(set)};
    return set;
}

std::string PercentDecoded(std::string_view text)
{
    const auto hex = [](char c) {
        return c >= '0' && c <= '9'   ? c - '0'
               : c >= 'a' && c <= 'f' ? c - 'a' + 10
               : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                      : -1;
    };
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const int high = text[i] == '%' && i + 2 < text.size() ? hex(text[i + 1]) : -1;
        const int low = high >= 0 ? hex(text[i + 2]) : -1;
        if (low >= 0) {
            out.push_back(static_cast<char>(high * 16 + low));
            i += 2;
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

} // namespace lirovane
