// The .dat reader against an independent FASTA file. The input is split at its first
// NUL byte: the .dat text (after trf's credit line), then the sequence file.
#include "core/sequence/token_reader.h"
#include "core/intervals/trf_dat.h"

#include "fuzz_input_files.h"

#include <algorithm>

using namespace lirovane;
using namespace lirovane::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text = AsText(data, size);
    const std::size_t cut = std::min(text.find('\0'), text.size());
    const std::string_view fastaText = text.substr(std::min(cut + 1, text.size()));
    const auto dat =
        WriteScratch("repeats.dat", "Tandem Repeats Finder Program written by:\n" + std::string(text.substr(0, cut)));
    const auto fasta = WriteScratch("sequence.fa", fastaText);

    const std::size_t tokens = CountTokens(fastaText.data(), fastaText.size());
    const auto repeats = ReadTrfRepeats(dat, fasta);
    if (!repeats) {
        // A failure names a file, and a line when the .dat content is at fault.
        LIROVANE_FUZZ_CHECK(!repeats.Message().empty());
        return 0;
    }
    // Every repeat cuts positions that exist in the sequence file.
    for (const PatternRecord& r : repeats.value())
        LIROVANE_FUZZ_CHECK(r.start >= 1 && r.start <= r.end && static_cast<std::size_t>(r.end) <= tokens);
    return 0;
}
