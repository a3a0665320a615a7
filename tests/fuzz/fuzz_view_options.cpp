// The view mode's option parsing on arbitrary arguments (split at NUL): accepted options
// are in range and name a picture format; a refusal says why in one line.
#include "cli/view_options.h"

#include "fuzz_input_args.h"
#include "fuzz_input_files.h"

using namespace lirovane;
using namespace lirovane::cli;
using namespace lirovane::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const FuzzArgs args(AsText(data, size));
    const IoResult<ViewOptions> parsed = ParseViewOptions(args.Views());
    const ViewOptions& options = parsed.value();
    if (!parsed) {
        const std::string& error = parsed.error().reason;
        LIROVANE_FUZZ_CHECK(!error.empty() && error.find('\n') == std::string::npos);
    } else {
        LIROVANE_FUZZ_CHECK(!options.file.empty() && !options.save.empty());
        LIROVANE_FUZZ_CHECK(options.start >= 0 && (options.region.empty() || options.start == 0));
        LIROVANE_FUZZ_CHECK(options.zoom >= 1 && options.zoom <= kMaxViewZoom);
        LIROVANE_FUZZ_CHECK(options.orientation >= 1 && options.orientation <= 3);
        LIROVANE_FUZZ_CHECK(PictureFormatOfFile(options.save) == options.format);
    }
    return 0;
}
