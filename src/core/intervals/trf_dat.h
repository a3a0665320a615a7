#pragma once

#include "core/files/io_error.h"
#include "core/intervals/patterns.h"
#include "core/sequence/fasta_records.h"

#include <cstdint>
#include <filesystem>
#include <functional>
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

// One repeat of a .dat file with the columns a table of repeats shows, as trf wrote them.
struct TrfRepeat {
    PatternRecord pattern; // as ReadTrfRepeats gives it
    std::string period;    // period size
    std::string copies;    // copy number
    std::string score;     // alignment score
    std::string consensus; // consensus pattern
};

// The repeats of ReadTrfRepeats with their columns, matched against `records`, the
// record table of `sequenceFile` read beforehand. Only repeats whose size (the
// consensus size) `keep` accepts are returned; all when it is empty.
IoResult<std::vector<TrfRepeat>> ReadTrfRepeatColumns(const std::filesystem::path& datFile,
                                                      const std::vector<FastaRecord>& records,
                                                      const std::filesystem::path& sequenceFile,
                                                      const std::function<bool(std::int64_t size)>& keep = {});

} // namespace lirovane
