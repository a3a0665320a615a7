#pragma once

#include "core/render/color.h"

#include <array>
#include <optional>
#include <string>

namespace lirovane::cli {

// What the command line asks of one batch run.
struct BatchOptions {
    std::string sequence;           // as given: it is written into index.htm unchanged
    std::string patterns;           // --patterns
    std::string trf;                // --trf
    std::string writePatterns;      // --write-patterns
    std::string out = ".";
    int size = 0;
    int orientation = 1;
    std::array<Color, 4> colors{0x000000FFu, 0x00FF0000u, 0x00FFFF00u, 0x0000FF00u};
    bool help = false;
};

// Parses argv[1..]; nothing, with `error` set to a one-line reason, when the
// arguments are not usable.
std::optional<BatchOptions> ParseBatchOptions(int argc, char** argv, std::string& error);

// The text of --help.
std::string BatchUsage();

} // namespace lirovane::cli
