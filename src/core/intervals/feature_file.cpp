// BED and GFF3 annotation read as features on the records of a sequence file.
#include "core/intervals/feature_file.h"

#include "core/intervals/integer_text.h"
#include "core/sequence/byte_source.h"
#include "core/sequence/genome_coordinates.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>
#include <optional>
#include <type_traits>
#include <unordered_map>
#include <utility>

#include <sys/mman.h>

namespace lirovane {

namespace {

// Lines of a plain or compressed text, read in large blocks. A line is held whole, up
// to a bound, so that a file with one endless line is refused before it fills memory.
class TextLines {
public:
    static constexpr std::size_t kBlock = std::size_t{1} << 18;
    static constexpr std::size_t kMaxLine = std::size_t{1} << 20;

    explicit TextLines(std::unique_ptr<ByteSource> source)
        : m_source(std::move(source)), m_buffer(std::make_unique_for_overwrite<char[]>(2 * kBlock)), m_size(2 * kBlock)
    {
    }

    enum class Status { Line, End, TooLong, Failed };

    // The next line without its line break (nor a carriage return before it).
    Status Next(std::string_view& line)
    {
        for (;;) {
            const char* begin = m_buffer.get() + m_begin;
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
    // Moves the unread part to the front and reads a block after it; a line longer than
    // a block grows the buffer, up to the longest line taken.
    void Refill()
    {
        const std::size_t kept = m_end - m_begin;
        if (kept + kBlock > m_size) {
            auto larger = std::make_unique_for_overwrite<char[]>(kept + kBlock);
            std::memcpy(larger.get(), m_buffer.get() + m_begin, kept);
            m_buffer = std::move(larger);
            m_size = kept + kBlock;
        } else {
            std::memmove(m_buffer.get(), m_buffer.get() + m_begin, kept);
        }
        m_begin = 0;
        m_end = kept;
        const std::size_t got = m_source->Read(m_buffer.get() + m_end, m_size - m_end);
        m_end += got;
        m_ended = got == 0;
    }

    std::unique_ptr<ByteSource> m_source;
    std::unique_ptr<char[]> m_buffer;
    std::size_t m_size;
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

// The lists of a BED12 line, reused from line to line.
struct BlockLists {
    std::vector<std::uint64_t> sizes;
    std::vector<std::uint64_t> starts;
    std::vector<FeatureBlock> blocks;
};

// BED12 columns 10 to 12 as blocks inside [0, length): ascending and apart, as the
// format asks, so that the spliced letters are the exons joined in order.
bool TakeBlocks(const Fields<13>& f, std::uint64_t length, BlockLists& lists, std::string& why)
{
    const auto count = Number(f.field[9], "block count", why);
    if (!count)
        return false;
    if (*count == 0 || *count > length + 1) {
        why = "block count " + std::to_string(*count) + " does not fit the feature";
        return false;
    }
    const std::vector<std::uint64_t>& sizes = lists.sizes;
    const std::vector<std::uint64_t>& starts = lists.starts;
    if (!NumberList(f.field[10], *count, lists.sizes, why) || !NumberList(f.field[11], *count, lists.starts, why))
        return false;
    lists.blocks.clear();
    std::uint64_t reached = 0;
    for (std::size_t i = 0; i < *count; ++i) {
        if (starts[i] < reached || starts[i] > length || sizes[i] > length - starts[i]) {
            why = "block " + std::to_string(i + 1) + " lies outside the feature or before the block ahead of it";
            return false;
        }
        reached = starts[i] + sizes[i];
        lists.blocks.push_back({starts[i], sizes[i]});
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
    BedLines(RecordNames& names, FeatureSet& set) : m_names(names), m_store(set.store)
    {
        set.types.assign(1, std::string());
    }

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
        if (f.count >= 6 && !TakeStrand(f.field[5], false, feature.strand, why))
            return LineKind::Bad;
        if (f.count >= 12 && !TakeBlocks(f, *end - *start, m_lists, why))
            return LineKind::Bad;
        const auto record = m_names.Find(f.field[0], *end, why);
        if (!record)
            return LineKind::Bad;
        feature.record = *record;
        if (f.count >= 4 && f.field[3] != ".")
            feature.name = m_store.Keep(f.field[3]);
        if (f.count >= 12)
            feature.blocks = m_store.Keep(std::span<const FeatureBlock>(m_lists.blocks));
        return LineKind::Feature;
    }

private:
    RecordNames& m_names;
    FeatureStore& m_store;
    BlockLists m_lists;
};

// What a feature's name is taken from in a GFF3 attribute column ("ID=a;Name=b"):
// the values of Name and ID, still escaped, in one pass over the column.
struct NameAttributes {
    std::optional<std::string_view> name;
    std::optional<std::string_view> id;
    bool pairs = false; // some attribute is written key=value

    explicit NameAttributes(std::string_view attributes)
    {
        while (!attributes.empty()) {
            const std::size_t semicolon = attributes.find(';');
            std::string_view pair = attributes.substr(0, semicolon);
            while (!pair.empty() && pair.front() == ' ')
                pair.remove_prefix(1);
            const std::size_t equals = pair.find('=');
            pairs = pairs || equals != std::string_view::npos;
            const std::string_view key = pair.substr(0, equals);
            if (equals != std::string_view::npos && key == "Name" && !name)
                name = pair.substr(equals + 1);
            else if (equals != std::string_view::npos && key == "ID" && !id)
                id = pair.substr(equals + 1);
            if (semicolon == std::string_view::npos)
                break;
            attributes.remove_prefix(semicolon + 1);
        }
    }
};

class GffLines {
public:
    GffLines(RecordNames& names, FeatureSet& set) : m_names(names), m_set(set), m_filtered(!set.types.empty()) {}

    LineKind Take(std::string_view line, Feature& feature, std::string& why)
    {
        if (line.front() == '#' || line.front() == '>')
            return Comment(line, why);
        if ((line.front() == ' ' || line.front() == '\t') && line.find_first_not_of(" \t") == std::string_view::npos)
            return LineKind::Skip;
        // The type first: the other columns of a line not asked for are never looked at.
        const Fields<4> head(line, '\t');
        if (head.count == 4 && !TypeKept(head.field[2], feature.type))
            return LineKind::Skip;
        const Fields<7> tail(head.count == 4 ? head.field[3] : std::string_view(), '\t');
        const std::size_t count = head.count == 4 ? 3 + tail.count : head.count;
        if (count != 9) {
            why = "a GFF3 line has 9 tab-separated columns, this one " + std::to_string(count);
            return LineKind::Bad;
        }
        return TakeColumns(head.field[0], tail, feature, why);
    }

private:
    static LineKind Comment(std::string_view line, std::string& why)
    {
        if (line.substr(0, 7) == "##FASTA" || line.front() == '>')
            return LineKind::End;
        if (line.substr(0, 13) == "##gff-version" && line.find('3', 13) == std::string_view::npos) {
            why = "not GFF version 3: GFF3 expected";
            return LineKind::Bad;
        }
        return LineKind::Skip;
    }

    // The columns after the type: start, end, score, strand, phase, attributes.
    LineKind TakeColumns(std::string_view seqid, const Fields<7>& f, Feature& feature, std::string& why)
    {
        const auto start = Number(f.field[0], "start", why);
        const auto end = start ? Number(f.field[1], "end", why) : std::nullopt;
        if (!end)
            return LineKind::Bad;
        if (*start < 1 || *start > *end) {
            why =
                "start " + std::to_string(*start) + " and end " + std::to_string(*end) + " do not make a 1-based range";
            return LineKind::Bad;
        }
        if (!TakeStrand(f.field[3], true, feature.strand, why))
            return LineKind::Bad;
        const NameAttributes attributes(f.field[5]);
        if (!attributes.pairs && f.field[5].find('"') != std::string_view::npos) {
            why = "attributes written as in GTF (key \"value\";): GFF3 expected";
            return LineKind::Bad;
        }
        if (seqid.find('%') != std::string_view::npos) {
            PercentDecode(seqid, m_decodedSeqid);
            seqid = m_decodedSeqid;
        }
        const auto record = m_names.Find(seqid, *end, why);
        if (!record)
            return LineKind::Bad;
        feature.record = *record;
        feature.start = *start - 1;
        feature.end = *end;
        const auto name = attributes.name ? attributes.name : attributes.id;
        // Most names hold no escape: they are kept as they are, without decoding.
        if (name && name->find('%') == std::string_view::npos) {
            feature.name = m_set.store.Keep(*name);
        } else if (name) {
            PercentDecode(*name, m_decoded);
            feature.name = m_set.store.Keep(m_decoded);
        }
        return LineKind::Feature;
    }

    // Whether features of `type` are kept, and under which index of the set's types.
    bool TypeKept(std::string_view type, std::uint32_t& index)
    {
        const auto it = std::find_if(m_set.types.begin(), m_set.types.end(),
                                     [&](const std::string& kept) { return std::string_view(kept) == type; });
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
    bool m_filtered;            // the set's types are those asked for
    std::string m_decoded;      // a name with escapes, decoded
    std::string m_decodedSeqid; // a record name with escapes, decoded
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
            set.features.push_back(feature);
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

void PercentDecode(std::string_view text, std::string& out)
{
    const auto hex = [](char c) {
        return c >= '0' && c <= '9'   ? c - '0'
               : c >= 'a' && c <= 'f' ? c - 'a' + 10
               : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                      : -1;
    };
    out.clear();
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
}

std::string PercentDecoded(std::string_view text)
{
    std::string out;
    PercentDecode(text, out);
    return out;
}

void FreeBlock::operator()(std::byte* block) const noexcept
{
    std::free(block);
}

Block AllocateBlock(std::size_t bytes)
{
    if (bytes < kLargeBlock)
        return Block(static_cast<std::byte*>(std::malloc(bytes)));
    const std::size_t size = (bytes + kLargeBlock - 1) / kLargeBlock * kLargeBlock;
    Block block(static_cast<std::byte*>(std::aligned_alloc(kLargeBlock, size)));
#ifdef MADV_HUGEPAGE
    if (block)
        ::madvise(block.get(), size, MADV_HUGEPAGE); // only advice: without huge pages, the same memory
#endif
    return block;
}

namespace {

Block NewBlock(std::size_t bytes)
{
    Block block = AllocateBlock(bytes);
    if (!block)
        throw std::bad_alloc();
    return block;
}

} // namespace

void FeatureList::push_back(const Feature& feature)
{
    static_assert(std::is_trivially_copyable_v<Feature> && std::is_trivially_destructible_v<Feature>);
    if (m_size % kPerBlock == 0)
        m_blocks.push_back(NewBlock(kLargeBlock));
    ::new (m_blocks.back().get() + (m_size % kPerBlock) * sizeof(Feature)) Feature(feature);
    ++m_size;
}

std::string_view FeatureStore::Keep(std::string_view text)
{
    if (text.empty())
        return {};
    auto* at = static_cast<char*>(Place(text.size(), 1));
    std::memcpy(at, text.data(), text.size());
    return {at, text.size()};
}

std::span<const FeatureBlock> FeatureStore::Keep(std::span<const FeatureBlock> blocks)
{
    if (blocks.empty())
        return {};
    auto* at = static_cast<FeatureBlock*>(Place(blocks.size_bytes(), alignof(FeatureBlock)));
    std::copy(blocks.begin(), blocks.end(), at);
    return {at, blocks.size()};
}

void* FeatureStore::Place(std::size_t bytes, std::size_t alignment)
{
    void* at = m_free;
    if (std::align(alignment, bytes, at, m_left) == nullptr) {
        const std::size_t size = std::max(m_next, bytes + alignment);
        m_next = std::min(2 * m_next, kLargeBlock);
        m_blocks.push_back(NewBlock(size));
        at = m_blocks.back().get();
        m_left = size;
        std::align(alignment, bytes, at, m_left);
    }
    m_free = static_cast<std::byte*>(at) + bytes;
    m_left -= bytes;
    return at;
}

} // namespace lirovane
