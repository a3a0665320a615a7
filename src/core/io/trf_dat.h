#pragma once

#include "core/io/io_error.h"
#include "core/io/patterns.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace lirovane {

// True when the file starts with Tandem Repeats Finder's credit header (or, as trf
// -ngs writes it, with a line naming a sequence "@<header>").
bool IsTrfDatFile(const std::filesystem::path& file);

// The repeats of a .dat file as positions of `sequenceFile`: trf's base coordinates
// shifted by the non-blank characters before each record's first base. Fails, naming
// the .dat line, when either file cannot be read or the two do not match.
IoResult<std::vector<PatternRecord>> ReadTrfRepeats(const std::filesystem::path& datFile,
                                                    const std::filesystem::path& sequenceFile);

} // namespace lirovane
