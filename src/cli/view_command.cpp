#include "cli/view_command.h"

#include "cli/view_options.h"

#include "core/files/input_file.h"
#include "core/sequence/byte_source.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr const char* kUsage =
    "usage: lirovane-batch --view FILE [--start N | --region NAME:POS] [--zoom Z | --level K | --fit]\n"
    "                      [--orientation 1|2|3] [--strand +|-]\n"
    "                      [--colors LEFT,UP,DOWN,RIGHT] --save PICTURE.bmp|.png|.svg [--help]\n"
    "  Draws FILE as the Strandscope viewer does, from token N (default 0) at zoom Z\n"
    "  (default 1), on a 650 x 380 picture, saves it in the format its name ends in\n"
    "  (BMP, PNG, or SVG as a vector drawing) and prints\n"
    "  \"start N end M\"; with --region (NAME, NAME:POS or NAME:START-END) it starts at\n"
    "  that base and then prints \"region NAME:A-B\", the bases drawn. --strand - draws\n"
    "  the window reverse-complemented, as many letters as that walk fits.\n"
    "  Colours are #RRGGBB, 0xBBGGRR or one of red, green, blue, cyan, magenta,\n"
    "  yellow, black, white, grey; the default is red,blue,cyan,green.\n"
    "  --level K draws at K steps per pixel, as long stretches are drawn in a gallery,\n"
    "  the window reaching as far as it fits; --fit draws the record holding the start\n"
    "  whole, from its first base, at the level of 2, 4, 8, ... steps per pixel where it\n"
    "  fits. At a level the start and end both count every non-blank character.\n"
    "  Exit status: 0 on success, 1 when the file cannot be read or the picture\n"
    "  cannot be written, 2 for bad arguments.\n";

} // namespace

int RunViewCommand(int argc, char** argv)
{
    std::vector<std::string_view> args;
    for (int i = 1; i < argc; ++i)
        args.emplace_back(argv[i]);
    if (std::find(args.begin(), args.end(), "--help") != args.end() ||
        std::find(args.begin(), args.end(), "-h") != args.end()) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    const lirovane::IoResult<lirovane::ViewOptions> parsed = lirovane::cli::ParseViewOptions(args);
    if (!parsed) {
        std::fprintf(stderr, "lirovane-batch: %s\n%s", parsed.error().reason.c_str(), kUsage);
        return 2;
    }
    const lirovane::ViewOptions& options = *parsed;
    if (const lirovane::IoStatus clash = lirovane::CheckOutputsAgainstInputs({options.file}, {options.save}); !clash) {
        std::fprintf(stderr, "lirovane-batch: %s\n", clash.Message().c_str());
        return 2;
    }
    if (const lirovane::IoStatus input = lirovane::CheckInputFile(options.file, lirovane::CompressedInput::Decoded);
        !input) {
        std::fprintf(stderr, "lirovane-batch: cannot read the sequence file '%s': %s\n", options.file.c_str(),
                     input.error().reason.c_str());
        return 1;
    }
    if (const std::string warning = lirovane::CompressedInputWarning(options.file); !warning.empty())
        std::fprintf(stderr, "lirovane-batch: warning: %s\n", warning.c_str());
    const lirovane::IoResult<lirovane::ViewShown> shown = lirovane::RenderViewPicture(options);
    if (!shown) {
        // An error that names no file is the region's: a bad argument.
        std::fprintf(stderr, "lirovane-batch: %s\n", shown.Message().c_str());
        return shown.error().file.empty() ? 2 : 1;
    }
    if (!shown->notes.empty()) {
        for (std::string_view notes = shown->notes; !notes.empty();) {
            const std::size_t end = notes.find('\n');
            std::fprintf(stderr, "lirovane-batch: %.*s\n", static_cast<int>(end), notes.data());
            notes.remove_prefix(end + 1);
        }
    }
    if (!shown->lettersFound)
        std::fprintf(stderr, "lirovane-batch: no letters after token %lld of '%s'; the picture is white\n",
                     static_cast<long long>(options.start), options.file.c_str());
    std::printf("start %s end %s\n", shown->startText.c_str(), shown->endText.c_str());
    if (!options.region.empty())
        std::printf("region %s\n", shown->region.c_str());
    return 0;
}
