#pragma once

#include "core/files/io_error.h"
#include "core/sequence/fasta_records.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace lirovane {

// Annotation files: BED (BED3 to BED12) and GFF3, plain, gzip or BGZF.
enum class FeatureFormat { Bed, Gff3 };

// An exon of a BED12 feature: its first base counted from the feature's start, and its length.
struct FeatureBlock {
    std::uint64_t start = 0;
    std::uint64_t size = 0;
    friend bool operator==(const FeatureBlock&, const FeatureBlock&) = default;
};

// One feature, in the coordinates of the record it lies on. Its name and exons lie in
// the FeatureStore of the set that holds it: a feature owns no memory of its own.
struct Feature {
    std::string_view name;                // BED column 4, or GFF3 Name then ID, decoded; may be empty
    std::span<const FeatureBlock> blocks; // BED12 exons in order; empty: the whole interval
    std::uint64_t line = 0;               // its line in the feature file
    std::uint64_t start = 0;              // 0-based first base in the record
    std::uint64_t end = 0;                // one past its last base
    std::uint32_t record = 0;             // index into the records it was matched against
    std::uint32_t type = 0;               // index into FeatureSet::types
    char strand = '.';                    // '+', '-' or '.'
};

// Memory in blocks that never move. A block of kLargeBlock bytes is offered to the
// kernel for huge pages: a whole-genome annotation then costs a few page faults per
// hundred thousand features instead of one per 4 KiB, which on a virtual machine can
// cost as much as reading the file.
struct FreeBlock {
    void operator()(std::byte* block) const noexcept;
};
using Block = std::unique_ptr<std::byte[], FreeBlock>;
inline constexpr std::size_t kLargeBlock = std::size_t{1} << 21;
// A block of `bytes`, aligned to kLargeBlock when it is that large.
Block AllocateBlock(std::size_t bytes);

// Bytes that stay where they are while more are added, in blocks of 64 KiB growing to
// kLargeBlock. A set's features point into its store, so a store is moved, never copied.
class FeatureStore {
public:
    FeatureStore() = default;
    FeatureStore(const FeatureStore&) = delete;
    FeatureStore& operator=(const FeatureStore&) = delete;
    FeatureStore(FeatureStore&&) = default;
    FeatureStore& operator=(FeatureStore&&) = default;
    ~FeatureStore() = default;

    std::string_view Keep(std::string_view text);
    std::span<const FeatureBlock> Keep(std::span<const FeatureBlock> blocks);

private:
    void* Place(std::size_t bytes, std::size_t alignment);

    std::vector<Block> m_blocks;
    std::byte* m_free = nullptr;
    std::size_t m_left = 0;
    std::size_t m_next = std::size_t{1} << 16; // the size of the next block
};

// Features in blocks that are never moved as more are added: holding them touches no
// more memory than they take, and no feature is copied as the list grows.
class FeatureList {
public:
    static constexpr std::size_t kPerBlock = kLargeBlock / sizeof(Feature);

    class Iterator {
    public:
        Iterator(const FeatureList& list, std::size_t at) : m_list(&list), m_at(at) {}
        const Feature& operator*() const { return (*m_list)[m_at]; }
        Iterator& operator++()
        {
            ++m_at;
            return *this;
        }
        bool operator==(const Iterator& other) const { return m_at == other.m_at; }

    private:
        const FeatureList* m_list;
        std::size_t m_at;
    };

    void push_back(const Feature& feature);
    std::size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    const Feature& operator[](std::size_t i) const { return Blocks(i)[i % kPerBlock]; }
    Iterator begin() const { return {*this, 0}; }
    Iterator end() const { return {*this, m_size}; }

private:
    const Feature* Blocks(std::size_t i) const
    {
        return reinterpret_cast<const Feature*>(m_blocks[i / kPerBlock].get());
    }

    std::vector<Block> m_blocks;
    std::size_t m_size = 0;
};

struct FeatureSet {
    FeatureList features; // in file order
    // With a type filter the types asked for, in that order; otherwise every type met,
    // in the order met (BED has one, empty).
    std::vector<std::string> types;
    FeatureStore store; // the features' names and exons
};

struct FeatureQuery {
    std::filesystem::path file;
    FeatureFormat format = FeatureFormat::Bed;
    std::vector<std::string> types; // GFF3 column 3 values to keep; all when empty
};

// Reads the features of `query.file` in one streaming pass and matches their record
// names against `records` (the first word of each header, as a .fai names them).
// Only the features kept are held. A BED start is 0-based and its end exclusive; a
// GFF3 interval is 1-based and closed. BED skips track, browser and # lines; GFF3
// skips # lines, stops at ##FASTA (or a '>' line), and passes over the lines of types
// not asked for unread. A GTF file is refused: its attributes
// are of another form and its name and ID conventions differ. Fails, naming the line,
// at a bad line (a non-number, start after end, a strand other than + - ., bad BED12
// blocks), a record name that `records` lacks, or an interval past its record's end;
// `sequenceName` is how messages name the sequence file.
IoResult<FeatureSet> ReadFeatures(const FeatureQuery& query, const std::vector<FastaRecord>& records,
                                  std::string_view sequenceName);

// %XX escapes decoded, as GFF3 writes reserved characters; a malformed escape stays as it is.
std::string PercentDecoded(std::string_view text);
// The same into `out`, whose memory is reused.
void PercentDecode(std::string_view text, std::string& out);

} // namespace lirovane
