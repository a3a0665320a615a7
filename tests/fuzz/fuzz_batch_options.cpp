// The batch mode's option parsing on arbitrary arguments (split at NUL): whatever is
// accepted is a complete, consistent run; whatever is refused says why in one line.
// Each argument is also read as a size list and as a colour list.
#include "cli/batch_options.h"
#include "cli/option_reader.h"

#include "fuzz_input_args.h"
#include "fuzz_input_files.h"

#include <algorithm>

using namespace lirovane;
using namespace lirovane::cli;
using namespace lirovane::fuzz;

namespace {

bool AscendingSizes(const std::vector<int>& sizes)
{
    return !sizes.empty() && std::adjacent_find(sizes.begin(), sizes.end(), std::greater_equal<>()) == sizes.end() &&
           sizes.front() >= 1 && sizes.back() <= 2000;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzArgs args(AsText(data, size));
    const bool viewMode = AsksForViewMode(args.argc(), args.argv());
    const auto options = ParseBatchOptions(Arguments(args.argc(), args.argv()));
    if (!options) {
        const std::string& error = options.error().reason;
        LIROVANE_FUZZ_CHECK(!error.empty() && error.find('\n') == std::string::npos);
    } else if (!options->help) {
        // An accepted run has everything it needs, and no view option was taken for it.
        LIROVANE_FUZZ_CHECK(!viewMode);
        LIROVANE_FUZZ_CHECK(!options->sequence.empty() && !options->out.empty());
        LIROVANE_FUZZ_CHECK(options->patterns.empty() != options->trf.empty());
        LIROVANE_FUZZ_CHECK(options->writePatterns.empty() || !options->trf.empty());
        LIROVANE_FUZZ_CHECK(AscendingSizes(options->sizes) && options->size == options->sizes.front());
        LIROVANE_FUZZ_CHECK(options->orientation >= 1 && options->orientation <= 3);
    }
    for (const std::string& arg : args.Args()) {
        if (const auto sizes = ParseSizeList(arg))
            LIROVANE_FUZZ_CHECK(AscendingSizes(*sizes));
        else
            LIROVANE_FUZZ_CHECK(!sizes.error().reason.empty());
        if (const auto colors = ParseColorList(arg))
            LIROVANE_FUZZ_CHECK(std::count(arg.begin(), arg.end(), ',') == 3);
    }
    return 0;
}
