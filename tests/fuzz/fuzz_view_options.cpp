// The view mode's option parsing, and the option reader under it, on arbitrary
// arguments (split at NUL): accepted options are in range and name a picture format;
// the reader walks every argument once and hands out only the names asked for.
#include "cli/option_reader.h"
#include "cli/view_options.h"

#include "fuzz_input_args.h"
#include "fuzz_input_files.h"

#include <algorithm>

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

    static constexpr std::string_view kNames[] = {"--view", "--save", "--zoom"};
    OptionReader reader(args.Views());
    std::size_t steps = 0;
    for (OptionReader::Status status; (status = reader.Next(kNames)) != OptionReader::Status::End;) {
        LIROVANE_FUZZ_CHECK(++steps <= args.Args().size());
        if (status == OptionReader::Status::Option)
            LIROVANE_FUZZ_CHECK(std::find(std::begin(kNames), std::end(kNames), reader.Name()) != std::end(kNames));
        if (status != OptionReader::Status::Option)
            break; // the callers stop at the first argument they cannot take
    }
    return 0;
}
