#pragma once

#include "core/files/io_error.h"
#include "core/sequence/byte_source.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lirovane {

// One record of a FASTA file as positions see it.
struct FastaRecord {
    std::string name;               // the header line after '>', trailing blanks removed
    bool hasHeader = false;         // false for bases before any header line
    std::uint64_t tokensBefore = 0; // non-blank characters of the file before its first base
    std::uint64_t bases = 0;        // non-blank characters of its sequence lines
};

// The name in a header line (the text after '>'), as samtools faidx takes it: blanks
// before it skipped, then everything up to the next blank. "> bar desc" names "bar".
std::string_view HeaderName(std::string_view header) noexcept;

// The records of a FASTA file in file order, read in one streaming pass. A header line
// is a line whose first byte is '>'; bases before the first header form a record of
// their own without a name. gzip and BGZF files are read decompressed. Fails when the
// file cannot be opened or read to its end.
IoResult<std::vector<FastaRecord>> ScanFastaRecords(const std::filesystem::path& file);

// The same pass, also noting in a plain file where the text resumes just past every
// `stride`-th token (marks[k] past token (k + 1) * stride), as TokenOffsetIndex keeps
// them: a later skip deep into the file then needs no second pass. Nothing is noted
// for compressed files.
IoResult<std::vector<FastaRecord>> ScanFastaRecords(const std::filesystem::path& file, std::uint64_t stride,
                                                    std::vector<SourcePoint>& marks);

} // namespace lirovane
