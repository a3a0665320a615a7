#pragma once

#include "core/sequence/fasta_records.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lirovane {

// A whole number with commas between groups of three digits: 30,000,001.
std::string WithCommas(std::uint64_t value);

// Where a position (1-based, over every non-blank character) lies in the genome's
// own coordinates: a record and a 1-based base. A position on a header line belongs to
// no base: `after` picks the next record's first base, otherwise the last base before.
struct BaseLocation {
    std::size_t record = 0;
    std::uint64_t base = 0;
};
std::optional<BaseLocation> LocatePosition(const std::vector<FastaRecord>& records, std::uint64_t position, bool after);

// The bases of positions first..last as the field writes them: "chr20:30,000,001-30,002,513",
// or "chr1:…-chr2:…" across a record boundary. Empty when no base lies in between.
std::string DescribeRange(const std::vector<FastaRecord>& records, std::uint64_t first, std::uint64_t last);

// What a Go to text means. `startIndex` is the viewer's start index (tokens before the
// first one drawn); `region` names it in base coordinates when a record was named.
struct RegionTarget {
    std::int64_t startIndex = 0;
    std::optional<std::int64_t> endIndex; // name:pos-end: the last position wanted
    std::string region;                   // "chr2:1,001-2,000", empty for a bare start index
    std::string note;                     // several records bear the name: which was taken
};

// Reads `name:pos`, `name:pos-end`, `name` (its first base) or a bare start index;
// commas in numbers are allowed. Of several records with one name the first is taken
// (`note` says so). Fails, with an error that names no file (the text is at fault),
// for an unknown name (the closest names listed), a position past the record's end
// (its length given), a number out of range, or text that is none of these.
IoResult<RegionTarget> ParseRegion(std::string_view text, const std::vector<FastaRecord>& records);

// Up to `count` record names closest to `name` (edit distance, then file order).
std::vector<std::string> ClosestNames(const std::vector<FastaRecord>& records, std::string_view name,
                                      std::size_t count = 3);

// The record's name as its .fai line gives it (see HeaderName).
std::string_view RecordName(const FastaRecord& record);

} // namespace lirovane
