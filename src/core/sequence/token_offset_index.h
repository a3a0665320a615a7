#pragma once

#include "core/sequence/byte_source.h"
#include "core/sequence/fasta_index.h"
#include "core/sequence/fasta_records.h"

#include <cstdint>
#include <filesystem>
#include <list>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace lirovane {

class TokenReader;

// Remembers, per file (path, size, modification time), where the text resumes just past
// every `stride`-th token (a byte offset, or a BGZF virtual offset), so that skipping deep into a file it has seen
// before starts from the nearest remembered point instead of the first byte. A file whose size or modification time
// changed starts afresh. The offsets are learnt as skips pass them. BGZF text is remembered every stride / 16 tokens; a
// plain gzip stream cannot seek and is always skipped from its start.
class TokenOffsetIndex {
public:
    static constexpr std::uint64_t kDefaultStride = std::uint64_t{1} << 16;

    explicit TokenOffsetIndex(std::uint64_t stride = kDefaultStride, std::size_t maxFiles = 16);

    // The index the viewer's letter reader uses.
    static TokenOffsetIndex& Global();

    // Skips the first `n` tokens of `file`, which `reader` has just opened (nothing
    // consumed yet); returns the tokens skipped (fewer at the end of the file).
    std::uint64_t SkipFromStart(TokenReader& reader, const std::filesystem::path& file, std::uint64_t n);

    // The records of `file` (names, positions before each first base, base counts),
    // from its .fai when one agrees, else from one streaming pass; kept until the file
    // changes. Fails when the file cannot be read.
    IoResult<std::vector<FastaRecord>> Records(const std::filesystem::path& file);
    // Whether a skip into `file` jumps at once: its .fai agrees with it.
    bool JumpsInto(const std::filesystem::path& file);
    // The one-line notice about a FILE.fai that was ignored; empty when none was.
    std::string IndexNotice(const std::filesystem::path& file);

    void Clear();
    // How many offsets are remembered for the file as it is now; for tests.
    std::size_t Checkpoints(const std::filesystem::path& file);

private:
    struct Entry {
        std::string key;
        std::uintmax_t size = 0;
        std::filesystem::file_time_type modified{};
        std::vector<SourcePoint> offsets; // offsets[k] lies just past token (k + 1) * stride
        std::filesystem::file_time_type faiModified{};
        bool faiLooked = false;
        std::optional<FastaIndex> fai; // FILE.fai, when it agrees with the file
        std::string faiNotice;
        std::optional<std::vector<FastaRecord>> records;
    };

    // The .fai of the entry's file, looked at once per version of the two files.
    const FastaIndex* Fai(Entry& entry, const std::filesystem::path& file);

    // The entry of the file as it is now, made or refreshed as needed; null when the
    // file cannot be looked at.
    Entry* Find(const std::filesystem::path& file, bool create);

    std::uint64_t m_stride;
    std::size_t m_maxFiles;
    std::list<Entry> m_entries; // most recently used first
    std::mutex m_mutex;
};

} // namespace lirovane
