// lirovane-batch: the window's image batch for pipelines and servers.
#include "cli/batch_options.h"
#include "cli/progress_display.h"
#include "cli/view_command.h"

#include "core/batch/image_batch.h"
#include "core/io/patterns.h"
#include "core/settings/app_settings.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#include <unistd.h>

namespace fs = std::filesystem;
using namespace lirovane;

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

void Fail(const std::string& message)
{
    std::fprintf(stderr, "lirovane-batch: %s\n", message.c_str());
}

// Empty when the file can be read; otherwise why not.
std::string Unreadable(const std::string& file)
{
    std::error_code ec;
    if (fs::is_directory(file, ec))
        return "is a folder, not a file";
    std::FILE* f = std::fopen(file.c_str(), "rb");
    if (!f)
        return std::strerror(errno);
    std::fclose(f);
    return {};
}

bool CheckReadable(const char* what, const std::string& file)
{
    const std::string problem = Unreadable(file);
    if (problem.empty())
        return true;
    Fail("cannot read " + std::string(what) + " '" + file + "': " + problem);
    return false;
}

bool MakeOutputFolder(const std::string& out)
{
    std::error_code ec;
    fs::create_directories(out, ec);
    if (fs::is_directory(out, ec))
        return true;
    Fail("cannot create output folder '" + out + "'" + (ec ? ": " + ec.message() : std::string()));
    return false;
}

void RemoveFile(const fs::path& file)
{
    std::error_code ec;
    if (fs::is_regular_file(file, ec))
        fs::remove(file, ec);
}

// Converts the .dat file into a patterns file that the split then reads.
bool WriteConvertedPatterns(const cli::BatchOptions& options)
{
    std::string error;
    const auto records = ReadTrfRepeats(options.trf, options.sequence, &error);
    if (!records) {
        Fail("cannot convert '" + options.trf + "': " + error);
        return false;
    }
    if (!WritePatternsFile(options.writePatterns, *records)) {
        RemoveFile(options.writePatterns);
        Fail("cannot write patterns file '" + options.writePatterns + "'");
        return false;
    }
    return true;
}

bool Split(AppSettings& settings, const cli::BatchOptions& options)
{
    const SplitResult split = SplitPatterns(settings, {}, options.out);
    if (split.opened && split.valid && split.written)
        return true;

    const fs::path out = options.out;
    if (split.opened) {
        // Half a split must not pass for a selection of the size asked for.
        RemoveFile(out / "starts.txt");
        RemoveFile(out / "ends.txt");
    }
    if (!split.written)
        Fail("cannot write starts.txt and ends.txt in '" + options.out + "'");
    else
        Fail(split.error + " (" + std::string(kInvalidPatternsMessage) + ")");
    return false;
}

int RunBatch(const cli::BatchOptions& options)
{
    if (!CheckReadable("sequence file", options.sequence))
        return kExitFailure;
    if (!options.trf.empty()) {
        if (!CheckReadable("Tandem Repeats Finder file", options.trf))
            return kExitFailure;
        if (!IsTrfDatFile(options.trf)) {
            Fail("'" + options.trf + "' is not Tandem Repeats Finder .dat output (use --patterns for a patterns file)");
            return kExitFailure;
        }
    } else if (!CheckReadable("patterns file", options.patterns)) {
        return kExitFailure;
    }
    if (!MakeOutputFolder(options.out))
        return kExitFailure;

    AppSettings settings;
    settings.SetFirstRunDefaults();
    settings.letterOrientation = options.orientation;
    ApplyOrientation(settings.letters, options.orientation);
    settings.asColor = options.colors[0];
    settings.csColor = options.colors[1];
    settings.gsColor = options.colors[2];
    settings.tsColor = options.colors[3];
    settings.sizeOfRepeats = options.size;
    settings.sequenceFile = options.sequence;
    settings.patternsFile = options.patterns;
    if (!options.trf.empty()) {
        // With a converted file at hand the split need not scan the sequence again.
        if (!options.writePatterns.empty() && !WriteConvertedPatterns(options))
            return kExitFailure;
        settings.patternsFile = options.writePatterns.empty() ? options.trf : options.writePatterns;
    }

    if (!Split(settings, options))
        return kExitFailure;

    cli::ProgressDisplay display(stderr, isatty(fileno(stderr)) != 0);
    const BatchResult result = CreateImages(settings, display, options.out);
    display.Finish();

    int status = 0;
    if (!result.sequenceOpened) {
        Fail("cannot read sequence file '" + options.sequence + "'");
        status = kExitFailure;
    }
    for (const fs::path& file : result.unwritten)
        Fail("could not write picture '" + file.string() + "'");
    if (!result.unwritten.empty())
        status = kExitFailure;
    if (!result.pageWritten) {
        Fail("could not write '" + result.page.string() + "'");
        status = kExitFailure;
    }

    const int saved = result.pictures - static_cast<int>(result.unwritten.size());
    std::fprintf(stderr, "lirovane-batch: %d of %d repeats of size %d drawn, %d pictures saved%s; gallery %s%s\n",
                 result.pictures, settings.numberOfRepeatsInThisSet, options.size, saved,
                 result.unwritten.empty() ? "" : " (some could not be written)", result.page.string().c_str(),
                 result.pageWritten ? "" : " (not written)");
    return status;
}

} // namespace

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--view" || arg.starts_with("--view="))
            return RunViewCommand(argc, argv);
    }

    std::string error;
    const auto options = cli::ParseBatchOptions(argc, argv, error);
    if (!options) {
        Fail(error);
        std::fputs("Try 'lirovane-batch --help'.\n", stderr);
        return kExitUsage;
    }
    if (options->help) {
        std::fputs(cli::BatchUsage().c_str(), stdout);
        return 0;
    }
    return RunBatch(*options);
}
