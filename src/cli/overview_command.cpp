#include "cli/overview_command.h"

#include "cli/option_reader.h"

#include "core/batch/overview.h"
#include "core/files/folder_lock.h"
#include "core/files/input_file.h"

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace lirovane;

constexpr const char* kUsage = "usage: lirovane-batch --sequence FILE --overview [--out DIR] [--format bmp|png|svg]\n"
                               "                      [--orientation 1|2|3] [--colors LEFT,UP,DOWN,RIGHT]\n"
                               "                      [--svg-resolution step|picture]\n"
                               "  Draws every record of FILE whole, as a gallery draws a repeat spanning it, into\n"
                               "  DIR/overview (DIR defaults to the working folder): RECORD.bmp (or .png, .svg),\n"
                               "  index.htm listing them, and walk.tsv with each record's length, the walk's end\n"
                               "  (x, y) and the bases where it first reaches its least and greatest x and y.\n"
                               "  Exit status: 0 on success, 1 when the file cannot be read or an output cannot be\n"
                               "  written, 2 for bad arguments.\n";

struct OverviewOptions {
    std::string sequence;
    std::string out = ".";
    OverviewRequest request;
    bool svgResolutionGiven = false;
};

IoStatus Take(std::string_view name, std::string_view value, OverviewOptions& options)
{
    if (name == "--sequence") {
        options.sequence = value;
    } else if (name == "--out") {
        options.out = value;
    } else if (name == "--format") {
        const auto format = PictureFormatNamed(value);
        if (!format)
            return IoError::Plain("--format must be " + std::string(kPictureFormatNames) + ", not '" +
                                  std::string(value) + "'");
        options.request.format = *format;
    } else if (name == "--svg-resolution") {
        IoResult<SvgResolution> resolution = cli::ParseSvgResolution(value);
        if (!resolution)
            return resolution;
        options.request.svgResolution = *resolution;
        options.svgResolutionGiven = true;
    } else if (name == "--orientation") {
        const IoResult<std::int64_t> o = cli::ParseWholeNumber(value, 1, 3);
        if (!o)
            return IoError::Plain("--orientation must be 1, 2 or 3: " + o.error().reason);
        options.request.style.letters = LetterTable::ForOrientation(static_cast<int>(*o));
    } else {
        const IoResult<SlotColors> colors = cli::ParseColorList(value);
        if (!colors)
            return IoError::Plain("--colors must be four colours LEFT,UP,DOWN,RIGHT, not '" + std::string(value) + "'");
        options.request.style.colors = *colors;
    }
    return {};
}

IoResult<OverviewOptions> ParseOverviewOptions(std::span<const std::string_view> args)
{
    static constexpr std::string_view kNames[] = {"--sequence",    "--out",    "--format",
                                                  "--orientation", "--colors", "--svg-resolution"};
    std::vector<std::string_view> rest;
    for (const std::string_view arg : args)
        if (arg != "--overview")
            rest.push_back(arg);
    OverviewOptions options;
    cli::OptionReader reader(rest);
    for (;;) {
        switch (reader.Next(kNames)) {
        case cli::OptionReader::Status::End:
            if (options.sequence.empty())
                return IoError::Plain("--sequence FILE is required");
            if (options.svgResolutionGiven && options.request.format != PictureFormat::Svg)
                return IoError::Plain("--svg-resolution needs --format svg");
            return options;
        case cli::OptionReader::Status::Unknown:
            return IoError::Plain("unknown argument '" + std::string(reader.Argument()) + "'");
        case cli::OptionReader::Status::MissingValue:
            return IoError::Plain(std::string(reader.Name()) + " needs a value");
        case cli::OptionReader::Status::Option:
            if (IoStatus taken = Take(reader.Name(), reader.Value(), options); !taken)
                return taken.error();
            break;
        }
    }
}

} // namespace

bool AsksForOverview(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i)
        if (std::string_view(argv[i]) == "--overview")
            return true;
    return false;
}

int RunOverviewCommand(int argc, char** argv)
{
    IoResult<OverviewOptions> parsed = ParseOverviewOptions(cli::Arguments(argc, argv));
    if (!parsed) {
        std::fprintf(stderr, "lirovane-batch: %s\n%s", cli::Printable(parsed.error().reason).c_str(), kUsage);
        return 2;
    }
    OverviewOptions& options = parsed.value();
    OverviewRequest& request = options.request;
    request.sequenceFile = options.sequence;
    request.folder = fs::path(options.out) / "overview";
    std::error_code ec;
    fs::create_directories(request.folder, ec); // to be locked; a failure shows at the lock
    FolderLock lock;
    if (IoStatus locked = lock.Acquire(request.folder); !locked) {
        std::fprintf(stderr, "lirovane-batch: %s\n", locked.Message().c_str());
        return 1;
    }
    const OverviewReport report = RunOverview(request, [](std::size_t done, std::size_t total) {
        std::fprintf(stderr, "\rlirovane-batch: %zu/%zu records", done, total);
    });
    std::fputc('\n', stderr);
    int status = 0;
    for (const IoStatus* failed : {&report.sequence, &report.page, &report.table})
        if (!failed->ok())
            std::fprintf(stderr, "lirovane-batch: %s\n", failed->Message().c_str()), status = 1;
    for (const IoError& picture : report.unwritten)
        std::fprintf(stderr, "lirovane-batch: %s\n", picture.Message().c_str()), status = 1;
    if (report.sequence.ok())
        std::printf("%zu records drawn, %zu pictures saved; overview %s\n", report.records,
                    report.pictures - report.unwritten.size(), (request.folder / "index.htm").c_str());
    return status;
}
