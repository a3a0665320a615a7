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

// One size of a split: the folder that receives its starts.txt and ends.txt (the
// working folder when empty), and the count of its records once split.
struct SizeSelection {
    int size = 0;
    std::filesystem::path dir;
    int count = 0;
};

// What a split writes when the patterns file holds a bad record: the records before
// it (the settings dialog's split), or no position file at all (a batch run, which
// must not draw half a selection).
enum class BadRecord { KeepRecordsBefore, SelectNothing };

// Reads the patterns file once and writes starts.txt and ends.txt of every size into
// its folder, one number and CR LF per line, setting each count. A Tandem Repeats
// Finder .dat file is taken too, its coordinates converted to positions of
// `sequenceFile`. The first fault fails the split, its IoError naming the file at fault:
//   - the patterns file cannot be read: nothing is written, the counts stay;
//   - a .dat file could not be converted (the error may name the sequence): with
//     KeepRecordsBefore every size selects nothing, otherwise nothing is written;
//   - a record with a bad token or a size outside 0..2000: the error names its line;
//     the counts are the records before it, written as `onBadRecord` says;
//   - a position file cannot be written: the writer's error (the OS's reason).
// Nothing is shown: a caller that shows a message gives kInvalidPatternsMessage when
// PatternsRejected.
IoStatus SplitPatterns(const std::filesystem::path& patternsFile, const std::filesystem::path& sequenceFile,
                       std::vector<SizeSelection>& sizes, BadRecord onBadRecord);

// The position file `name` ("starts.txt", "ends.txt") of a size's folder.
std::filesystem::path PositionFile(const std::filesystem::path& dir, const char* name);

// True when a split failed because of the patterns file (or the .dat file and its
// sequence), not because one of the position files of `sizes` cannot be written.
bool PatternsRejected(const IoStatus& split, const std::vector<SizeSelection>& sizes);

// Writes records as "<start> <end> <size>" lines.
IoStatus WritePatternsFile(const std::filesystem::path& file, const std::vector<PatternRecord>& records);

} // namespace lirovane
