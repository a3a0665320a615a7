#pragma once

#include "core/files/io_error.h"

#include <cstdint>
#include <filesystem>
#include <string_view>
#include <vector>

namespace lirovane {

inline constexpr std::string_view kInvalidPatternsMessage = "Invalid Starts, Ends and size file!";
inline constexpr std::string_view kInvalidSequenceMessage = "Invalid Sequence file!";
inline constexpr int kMaxPatternSize = 2000;

// One found repeat: start and end positions and the repeat size.
struct PatternRecord {
    std::int64_t start = 0;
    std::int64_t end = 0;
    std::int64_t size = 0;
    friend bool operator==(const PatternRecord&, const PatternRecord&) = default;
};

// What a split did. The IoError of a failed split is the first fault:
//   - the patterns could not be opened or converted: `opened` is false and
//     starts.txt, ends.txt and the count are left as they were;
//   - a record with a bad token or a size outside 0..2000: the error names its line,
//     and starts.txt, ends.txt and `count` hold the records before it;
//   - starts.txt or ends.txt could not be written: `opened` is true and `written`
//     false, and the error is the writer's (the OS's reason).
// Only the last is not the patterns' fault; PatternsRejected tells them apart.
struct SplitCounts {
    bool trf = false;     // the patterns file was Tandem Repeats Finder output
    bool opened = false;  // the patterns could be read (a .dat file: and converted)
    bool written = false; // starts.txt and ends.txt were put in place
    int count = 0;        // records of the chosen size
};
using SplitResult = IoResult<SplitCounts>;

// True when a split failed because of the patterns file (or the .dat file and its
// sequence), not because its output could not be written.
inline bool PatternsRejected(const SplitResult& split)
{
    return !split.ok() && (!split->opened || split->written);
}

// Splits the patterns file into starts.txt and ends.txt in `dir` (the working
// directory when empty) for the repeat size `size`; the result's count is the number
// of records of that size. A Tandem Repeats Finder .dat file is taken too, its
// coordinates converted to positions of `sequenceFile`. Nothing is shown: a caller
// that shows a message gives kInvalidPatternsMessage when PatternsRejected.
SplitResult SplitPatterns(const std::filesystem::path& patternsFile, const std::filesystem::path& sequenceFile,
                          int size, const std::filesystem::path& dir = {});

// One size of a several-sizes split: the folder that receives its starts.txt and
// ends.txt, and the count of its records once split.
struct SizeSelection {
    int size = 0;
    std::filesystem::path dir;
    int count = 0;
};

// Reads the patterns file (or .dat file) once and writes starts.txt and ends.txt of
// every size into its own folder, setting each count. A file with a bad record writes
// no position file at all; the result's count is the records of all sizes together.
SplitResult SplitPatternsBySize(const std::filesystem::path& patternsFile, const std::filesystem::path& sequenceFile,
                                std::vector<SizeSelection>& sizes);

// Writes records as "<start> <end> <size>" lines.
IoStatus WritePatternsFile(const std::filesystem::path& file, const std::vector<PatternRecord>& records);

} // namespace lirovane
