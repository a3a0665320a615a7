#include "core/sequence/token_offset_index.h"

#include "core/sequence/fasta_records.h"
#include "core/sequence/token_reader.h"

#include <algorithm>

namespace lirovane {

namespace {

std::string KeyOf(const std::filesystem::path& file)
{
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(file, ec);
    return (ec ? file : absolute).lexically_normal().string();
}

} // namespace

TokenOffsetIndex::TokenOffsetIndex(std::uint64_t stride, std::size_t maxFiles)
    : m_stride(std::max<std::uint64_t>(stride, 1)), m_maxFiles(std::max<std::size_t>(maxFiles, 1))
{
}

TokenOffsetIndex& TokenOffsetIndex::Global()
{
    static TokenOffsetIndex index;
    return index;
}

TokenOffsetIndex::Entry* TokenOffsetIndex::Find(const std::filesystem::path& file, bool create)
{
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(file, ec);
    if (ec)
        return nullptr;
    const auto modified = std::filesystem::last_write_time(file, ec);
    if (ec)
        return nullptr;

    const std::string key = KeyOf(file);
    auto it = std::find_if(m_entries.begin(), m_entries.end(), [&](const Entry& e) { return e.key == key; });
    if (it == m_entries.end()) {
        if (!create)
            return nullptr;
        if (m_entries.size() >= m_maxFiles)
            m_entries.pop_back();
        Entry entry;
        entry.key = key;
        entry.size = size;
        entry.modified = modified;
        m_entries.push_front(std::move(entry));
        return &m_entries.front();
    }
    m_entries.splice(m_entries.begin(), m_entries, it);
    Entry& entry = m_entries.front();
    if (entry.size != size || entry.modified != modified) {
        entry.size = size;
        entry.modified = modified;
        entry.offsets.clear();
        entry.faiLooked = false;
        entry.records.reset();
    }
    return &entry;
}

const FastaIndex* TokenOffsetIndex::Fai(Entry& entry, const std::filesystem::path& file)
{
    std::error_code ec;
    const auto faiModified = std::filesystem::last_write_time(file.string() + ".fai", ec);
    if (ec || faiModified != entry.faiModified)
        entry.faiLooked = false;
    if (!entry.faiLooked) {
        entry.faiLooked = true;
        entry.faiModified = ec ? std::filesystem::file_time_type{} : faiModified;
        IoResult<std::optional<FastaIndex>> loaded = LoadFastaIndex(file);
        entry.faiNotice = loaded.Message();
        entry.fai = std::move(loaded).value();
        if (entry.fai)
            entry.records = entry.fai->records;
    }
    return entry.fai ? &*entry.fai : nullptr;
}

IoResult<std::vector<FastaRecord>> TokenOffsetIndex::Records(const std::filesystem::path& file)
{
    std::lock_guard lock(m_mutex);
    Entry* entry = Find(file, true);
    if (entry == nullptr)
        return ScanFastaRecords(file);
    Fai(*entry, file);
    if (entry->records)
        return *entry->records;
    // The pass notes the skip offsets too, so that reaching a record needs no second one.
    std::vector<SourcePoint> marks;
    IoResult<std::vector<FastaRecord>> scanned = ScanFastaRecords(file, m_stride, marks);
    if (scanned) {
        entry->records = scanned.value();
        if (marks.size() > entry->offsets.size())
            entry->offsets = std::move(marks);
    }
    return scanned;
}

std::string TokenOffsetIndex::IndexNotice(const std::filesystem::path& file)
{
    std::lock_guard lock(m_mutex);
    Entry* entry = Find(file, false);
    return entry == nullptr ? std::string() : entry->faiNotice;
}

bool TokenOffsetIndex::JumpsInto(const std::filesystem::path& file)
{
    std::lock_guard lock(m_mutex);
    Entry* entry = Find(file, true);
    return entry != nullptr && Fai(*entry, file) != nullptr;
}

std::uint64_t TokenOffsetIndex::SkipFromStart(TokenReader& reader, const std::filesystem::path& file, std::uint64_t n)
{
    std::lock_guard lock(m_mutex);
    // An index that agrees with the file reaches any position at once.
    if (n > 0 && !reader.Compressed()) {
        if (Entry* indexed = Find(file, true); indexed != nullptr) {
            if (const FastaIndex* fai = Fai(*indexed, file)) {
                const FastaIndex::Jump jump = fai->JumpTo(n);
                if (jump.tokensBefore > 0 && reader.Seek({jump.byte, 0}, jump.tokensBefore)) {
                    reader.Skip(n - jump.tokensBefore);
                    return reader.Consumed();
                }
            }
        }
    }
    // Decompressing is slower than scanning: compressed text is remembered more densely.
    const std::uint64_t stride = reader.Compressed() ? std::max<std::uint64_t>(m_stride / 16, 1) : m_stride;
    Entry* entry = n >= stride && reader.CanSeek() ? Find(file, true) : nullptr;
    if (entry == nullptr)
        return reader.Skip(n);

    // A plain file without an index is passed over once whole for its records, which
    // the viewer shows anyway: that pass notes every offset, so the skip is short.
    if (!reader.Compressed() && !entry->records && entry->offsets.size() < n / stride) {
        std::vector<SourcePoint> marks;
        if (IoResult<std::vector<FastaRecord>> scanned = ScanFastaRecords(file, m_stride, marks); scanned) {
            entry->records = std::move(scanned).value();
            if (marks.size() > entry->offsets.size())
                entry->offsets = std::move(marks);
        }
    }
    // Start from the deepest remembered offset at or before token n.
    const std::uint64_t known = std::min<std::uint64_t>(n / stride, entry->offsets.size());
    if (known > 0 && !reader.Seek(entry->offsets[known - 1], known * stride)) {
        entry->offsets.clear();
        return reader.Skip(n);
    }
    // Skip the rest a stride at a time, remembering each offset passed.
    while (reader.Consumed() < n) {
        const std::uint64_t nextMark = (reader.Consumed() / stride + 1) * stride;
        const std::uint64_t want = std::min(n, nextMark) - reader.Consumed();
        if (reader.Skip(want) < want)
            break;
        if (reader.Consumed() == nextMark && entry->offsets.size() == nextMark / stride - 1)
            entry->offsets.push_back(reader.Position());
    }
    return reader.Consumed();
}

void TokenOffsetIndex::Clear()
{
    std::lock_guard lock(m_mutex);
    m_entries.clear();
}

std::size_t TokenOffsetIndex::Checkpoints(const std::filesystem::path& file)
{
    std::lock_guard lock(m_mutex);
    const Entry* entry = Find(file, false);
    return entry == nullptr ? 0 : entry->offsets.size();
}

} // namespace lirovane
