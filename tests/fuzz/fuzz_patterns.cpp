// SplitPatterns on arbitrary bytes. The input is the patterns file; a first byte 'T'
// makes it Tandem Repeats Finder output instead, split at the first NUL byte into the
// .dat text (after trf's credit line) and the sequence file it refers to, and the .dat
// reader's repeats must then cut positions that exist in that sequence.
#include "core/intervals/patterns.h"
#include "core/intervals/trf_dat.h"
#include "core/sequence/token_reader.h"
#include "core/settings/app_settings.h"

#include "fuzz_input_files.h"

#include <algorithm>

using namespace lirovane;
using namespace lirovane::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view text = AsText(data, size);
    AppSettings settings;
    settings.sizeOfRepeats = 43;
    if (!text.empty() && text.front() == 'T') {
        text.remove_prefix(1);
        const std::size_t cut = std::min(text.find('\0'), text.size());
        const std::string dat = "Tandem Repeats Finder Program written by:\n" + std::string(text.substr(0, cut));
        const std::string_view fasta = text.substr(std::min(cut + 1, text.size()));
        settings.patternsFile = WriteScratch("patterns.dat", dat).string();
        settings.sequenceFile = WriteScratch("sequence.fa", fasta).string();
        settings.sizeOfRepeats = 2;
        const auto repeats = ReadTrfRepeats(settings.patternsFile, settings.sequenceFile);
        LIROVANE_FUZZ_CHECK(repeats || !repeats.Message().empty());
        for (const PatternRecord& r : repeats ? repeats.value() : std::vector<PatternRecord>{})
            LIROVANE_FUZZ_CHECK(r.start >= 1 && r.start <= r.end &&
                                static_cast<std::size_t>(r.end) <= CountTokens(fasta.data(), fasta.size()));
    } else {
        settings.patternsFile = WriteScratch("patterns.txt", text).string();
    }

    // A count of -1 stays when the patterns could not be read at all.
    std::vector<SizeSelection> sizes{{settings.sizeOfRepeats, ScratchFolder(), -1}};
    const IoStatus result =
        SplitPatterns(settings.patternsFile, settings.sequenceFile, sizes, BadRecord::KeepRecordsBefore);
    // Every failure here is the input's: the scratch folder takes the position files.
    LIROVANE_FUZZ_CHECK(result.ok() || PatternsRejected(result, sizes));
    LIROVANE_FUZZ_CHECK(result.ok() || !result.error().reason.empty());
    const int count = sizes.front().count;
    if (count < 0)
        return 0;

    // Both files hold one CR LF line per matching record.
    const std::string starts = ReadScratch(ScratchFolder() / "starts.txt");
    const std::string ends = ReadScratch(ScratchFolder() / "ends.txt");
    const auto lines = [](const std::string& s) { return static_cast<int>(std::count(s.begin(), s.end(), '\n')); };
    LIROVANE_FUZZ_CHECK(lines(starts) == count);
    LIROVANE_FUZZ_CHECK(lines(ends) == count);
    LIROVANE_FUZZ_CHECK(std::count(starts.begin(), starts.end(), '\r') == count);
    return 0;
}
