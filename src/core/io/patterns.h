#pragma once

#include "core/io/io_error.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lirovane {

// Shows one message to the user (a message box in the window, a line in the CLI).
using MessageSink = std::function<void(std::string_view)>;

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

struct SplitResult {
    bool opened = false; // the patterns could be read (a .dat file: and converted);
                         // when false, starts.txt, ends.txt and the count are unchanged
    bool trf = false;    // the patterns file was Tandem Repeats Finder output
    bool valid = true;   // no bad record or token stopped the reading
    bool written = true; // starts.txt and ends.txt were written completely
    int count = 0;       // records of the chosen size
    std::string error;   // what went wrong, naming the file; empty when nothing did
};

// Splits the patterns file into starts.txt and ends.txt in `dir` (the working
// directory when empty) for the repeat size `size`; the result's count is the number
// of records of that size. A Tandem Repeats Finder .dat file is taken too, its
// coordinates converted to positions of `sequenceFile`.
// A patterns file that cannot be read, a size outside 0..2000 and a token that is not
// a signed 64-bit integer each show kInvalidPatternsMessage once through `showMessage`;
// cannot-write problems only show in the result.
SplitResult SplitPatterns(const std::filesystem::path& patternsFile, const std::filesystem::path& sequenceFile,
                          int size, const MessageSink& showMessage, const std::filesystem::path& dir = {});

// One size of a several-sizes split: the folder that receives its starts.txt and
// ends.txt, and the count of its records once split.
struct SizeSelection {
    int size = 0;
    std::filesystem::path dir;
    int count = 0;
};

// Reads the patterns file (or .dat file) once and writes starts.txt and ends.txt of
// every size into its own folder, setting each count. A file with a bad record writes
// no position file at all; result.count is the records of all sizes together.
SplitResult SplitPatternsBySize(const std::filesystem::path& patternsFile, const std::filesystem::path& sequenceFile,
                                std::vector<SizeSelection>& sizes);

// Writes records as "<start> <end> <size>" lines; false when the file cannot be written.
bool WritePatternsFile(const std::filesystem::path& file, const std::vector<PatternRecord>& records);

} // namespace lirovane
