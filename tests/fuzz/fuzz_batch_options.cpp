// The batch mode's option parsing on arbitrary arguments (split at NUL): whatever is
// accepted is a complete, consistent run; whatever is refused says why in one line.
// Each argument is also read as a size list and as a colour.
#include "cli/batch_options.h"
#include "cli/option_reader.h"

#include "fuzz_input_args.h"
#include "fuzz_input_files.h"

#include <algorithm>
#include <cstdio>

using namespace lirovane;
using namespace lirovane::cli;
using namespace lirovane::fuzz;

namespace {

bool AscendingSizes(const std::vector<int>& sizes)
{
    return !sizes.empty() && std::adjacent_find(sizes.begin(), sizes.end(), std::greater_equal<>()) == sizes.end() &&
           sizes.front() >= 1 && sizes.back() <= 2000;
}

void CheckColor(std::string_view text)
{
    const IoResult<Color> color = ParseColor(text);
    if (!color)
        return;
    LIROVANE_FUZZ_CHECK(*color <= 0x00FFFFFFu);
    // The colour reads back from both numeric forms.
    char hex[16];
    std::snprintf(hex, sizeof hex, "#%02x%02x%02x", *color & 0xFFu, (*color >> 8) & 0xFFu, (*color >> 16) & 0xFFu);
    LIROVANE_FUZZ_CHECK(ParseColor(hex).value() == *color);
    std::snprintf(hex, sizeof hex, "0x%06X", *color);
    LIROVANE_FUZZ_CHECK(ParseColor(hex).value() == *color);
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
        CheckColor(arg);
        if (const auto colors = ParseColorList(arg))
            LIROVANE_FUZZ_CHECK(std::count(arg.begin(), arg.end(), ',') == 3);
    }
    return 0;
}
