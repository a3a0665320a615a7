#pragma once

#include "core/batch/batch_run.h"
#include "core/render/path_renderer.h"
#include "core/render/picture_format.h"

#include <array>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace lirovane::cli {

// What the command line asks of one batch run.
struct BatchOptions {
    std::string sequence;           // as given: it is written into index.htm unchanged
    std::string patterns;           // --patterns
    std::string trf;                // --trf
    std::string writePatterns;      // --write-patterns
    std::string bed;                // --bed: features instead of repeats
    std::string gff;                // --gff
    std::vector<std::string> types; // --type: GFF3 types, each its own gallery, in the order given
    bool ignoreStrand = false;      // --ignore-strand
    std::string out = ".";
    int size = 0;           // the first of `sizes`
    std::vector<int> sizes; // --size: ascending, each once
    std::string summary;    // --summary: a table of what was drawn per size
    std::string table;      // --table: a table of the pictures, one row each
    int orientation = 1;
    SlotColors colors = kDefaultColors;
    PictureFormat format = PictureFormat::Bmp;         // --format
    SvgResolution svgResolution = SvgResolution::Step; // --svg-resolution
    bool svgResolutionGiven = false;
    bool help = false;

    bool Features() const { return !bed.empty() || !gff.empty(); }
};

// Parses the arguments (program name excluded): the options, or why they are not usable.
IoResult<BatchOptions> ParseBatchOptions(std::span<const std::string_view> args);

// The run these options ask for.
BatchRequest RequestOf(const BatchOptions& options);

// Parses a size list as --size takes it: sizes and ranges separated by commas
// ("6", "2,3,6", "2-10", "2,5-7"), each size 1 to 2000. The sizes come out
// ascending, each once.
IoResult<std::vector<int>> ParseSizeList(std::string_view text);

// True when the arguments hold a --view option of their own, not as the value of
// another option (as in "--out --view").
bool AsksForViewMode(int argc, char** argv);

// The text of --help.
std::string BatchUsage();

} // namespace lirovane::cli
