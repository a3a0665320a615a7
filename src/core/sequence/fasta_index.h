#pragma once

#include "core/sequence/fasta_records.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace lirovane {

// One line of a samtools .fai index: name, bases, byte offset of the first base,
// bases per line and bytes per line.
struct FaiEntry {
    std::string name;
    std::uint64_t length = 0;
    std::uint64_t offset = 0;
    std::uint64_t lineBases = 0;
    std::uint64_t lineWidth = 0;
};

// The record table of a plain FASTA file taken from its FILE.fai, with where each
// record's bases lie in the file, so that any position is reached without reading
// what lies before it.
struct FastaIndex {
    std::vector<FastaRecord> records; // names, positions before each first base, base counts
    std::vector<FaiEntry> entries;    // the .fai lines, one per record

    // A byte offset and the positions before it, at or shortly before position `skip`
    // (a count of tokens to pass over).
    struct Jump {
        std::uint64_t byte = 0;
        std::uint64_t tokensBefore = 0;
    };
    Jump JumpTo(std::uint64_t skip) const noexcept;
};

// The .fai next to `file` (FILE.fai), read and checked against the file: it must be
// no older than the file, and its offsets must fall on the header lines, line ends
// and file end that the file holds. Nothing when there is no index (or it cannot be
// read); fails, saying in one line why it is ignored, when there is one that does not
// agree with the file. Only plain files are indexed this way.
IoResult<std::optional<FastaIndex>> LoadFastaIndex(const std::filesystem::path& file);

// Writes FILE.fai (and FILE.gzi for a BGZF file) as samtools faidx does, as every
// output is written (staged, renamed when complete; an existing index stays when the
// new one cannot be written). Fails when the file cannot be indexed (a plain gzip file
// cannot: bgzip it), with the reason in one line. Gives the warnings of an index that
// was written, one line each: of records with one name, the first is indexed.
IoResult<std::vector<std::string>> WriteFastaIndex(const std::filesystem::path& file);

} // namespace lirovane
