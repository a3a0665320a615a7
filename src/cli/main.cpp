// lirovane-batch: the window's image batch for pipelines and servers.
#include "cli/batch_options.h"
#include "cli/feature_command.h"
#include "cli/index_command.h"
#include "cli/option_reader.h"
#include "cli/overview_command.h"
#include "cli/progress_display.h"
#include "cli/view_command.h"

#include "core/batch/batch_run.h"
#include "core/intervals/patterns.h"
#include "core/sequence/byte_source.h"
#include "core/version.h"

#include <csignal>
#include <cstdio>
#include <string>
#include <string_view>

#include <signal.h>
#include <unistd.h>

using namespace lirovane;

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

void Fail(const std::string& message)
{
    std::fprintf(stderr, "lirovane-batch: %s\n", message.c_str());
}

// SIGINT and SIGTERM end the batch between pictures; a second one ends the process.
volatile std::sig_atomic_t g_stopSignal = 0;

extern "C" void OnStopSignal(int signal)
{
    g_stopSignal = signal;
    std::signal(signal, SIG_DFL);
}

void CatchStopSignals()
{
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

// The reason of an error whose file the message names already.
std::string Reason(const IoError& error)
{
    return error.line > 0 ? std::string("line ").append(std::to_string(error.line)).append(": ") + error.reason
                          : error.reason;
}

std::string Quoted(const std::filesystem::path& file)
{
    std::string quoted(1, '\'');
    return quoted.append(file.string()).append(1, '\'');
}

// One line for a failure, naming its file and the system's reason.
std::string Line(const RunError& e, const cli::BatchOptions& options, const BatchReport& report)
{
    const IoError& error = e.error;
    switch (e.item) {
    case RunItem::Sequence: return "cannot read sequence file " + Quoted(error.file) + ": " + Reason(error);
    case RunItem::SequenceEnd: return "cannot read the sequence to its end: " + error.Message();
    case RunItem::Intervals:
        return std::string("cannot read ") + (options.trf.empty() ? "patterns file " : "Tandem Repeats Finder file ") +
               Quoted(error.file) + ": " + Reason(error);
    case RunItem::Selection: return error.Message() + " (" + std::string(kInvalidPatternsMessage) + ")";
    case RunItem::Positions:
        return "cannot write starts.txt and ends.txt in " + Quoted(error.file.parent_path()) + ": " + error.Message();
    case RunItem::Picture: return "cannot write picture " + Quoted(error.file) + ": " + error.reason;
    case RunItem::Overview: return "cannot write " + Quoted(report.overview) + ": " + error.reason;
    case RunItem::Patterns: return "cannot write patterns file " + Quoted(error.file) + ": " + error.reason;
    case RunItem::Table:
        return "cannot write table " + Quoted(options.table) + ": " +
               (error.file == options.table ? error.reason : error.Message());
    case RunItem::Summary: return "cannot write summary " + Quoted(error.file) + ": " + error.reason;
    default: break; // the folders, a clash, a gallery's page: their messages name them
    }
    return error.Message();
}

// What a run cut short did (a signal, a sequence not read whole), and its status.
int ReportCut(const BatchReport& report, const std::string& out, const char* why, int status)
{
    std::fprintf(stderr, "lirovane-batch: %s after %d of %d pictures; those stay in %s, no page was replaced\n", why,
                 report.Pictures(), report.Selected(), out.c_str());
    return status;
}

// The lines of one gallery: its warnings and failures, then what it holds.
void ReportGallery(const SizeGallery& gallery, const cli::BatchOptions& options, const BatchReport& report)
{
    const BatchResult& result = gallery.result;
    if (result.beyondEnd > 0)
        std::fprintf(
            stderr, "lirovane-batch: warning: %d selected repeats end beyond the end of '%s' (%llu positions)\n",
            result.beyondEnd, options.sequence.c_str(), static_cast<unsigned long long>(result.sequenceLength));
    for (const RunError& error : result.errors)
        if (error.item != RunItem::Page)
            Fail(Line(error, options, report));
    if (const IoError* page = result.Error(RunItem::Page)) // named as the gallery line names it
        Fail("cannot write " + Quoted(result.page) + ": " + page->reason);
    const int saved = result.pictures - result.Count(RunItem::Picture);
    const char* page = result.page.c_str();
    if (report.galleries.size() == 1)
        std::fprintf(stderr, "lirovane-batch: %d of %d repeats of size %d drawn, %d pictures saved%s; gallery %s%s\n",
                     result.pictures, gallery.selected, gallery.size, saved,
                     saved < result.pictures ? " (some were not written)" : "", page,
                     result.Error(RunItem::Page) ? " (not written)" : "");
    else if (gallery.selected == 0)
        std::fprintf(stderr, "lirovane-batch: size %d: no repeats of this size, empty gallery %s\n", gallery.size,
                     page);
    else
        std::fprintf(stderr, "lirovane-batch: size %d: %d of %d repeats drawn, %d pictures saved; gallery %s\n",
                     gallery.size, result.pictures, gallery.selected, saved, page);
}

// The report as lines on standard error, and the exit status.
int Report(const BatchReport& report, const cli::BatchOptions& options)
{
    if (const IoError* clash = report.Error(RunItem::Clash)) {
        Fail(clash->Message());
        return kExitUsage;
    }
    if (report.stopped)
        return ReportCut(report, options.out, g_stopSignal == SIGTERM ? "stopped by SIGTERM" : "stopped by SIGINT",
                         128 + static_cast<int>(g_stopSignal));
    for (const RunError& error : report.errors)
        Fail(Line(error, options, report));
    if (report.galleries.empty() || report.galleries.front().result.page.empty())
        return kExitFailure; // nothing was drawn
    if (report.Error(RunItem::Sequence) || report.Error(RunItem::SequenceEnd))
        return ReportCut(report, options.out, "the sequence cannot be read whole", kExitFailure);
    for (const SizeGallery& gallery : report.galleries)
        ReportGallery(gallery, options, report);
    if (report.galleries.size() > 1)
        std::fprintf(stderr, "lirovane-batch: %zu sizes, %d pictures; overview %s%s\n", report.galleries.size(),
                     report.Pictures(), report.overview.c_str(),
                     report.Error(RunItem::Overview) ? " (not written)" : "");
    const bool noneDrawn = report.Selected() > 0 && report.Pictures() == 0;
    if (noneDrawn)
        Fail("none of the " + std::to_string(report.Selected()) + " selected repeats was drawn");
    return report.Failed() || noneDrawn ? kExitFailure : 0;
}

} // namespace

int main(int argc, char** argv)
{
    SetTextOnlyInput(true); // compressed binary data is no sequence
    if (cli::AsksForViewMode(argc, argv))
        return RunViewCommand(argc, argv);
    if (AsksForOverview(argc, argv))
        return RunOverviewCommand(argc, argv);
    if (argc == 2 && std::string_view(argv[1]) == "--version") {
        std::printf("lirovane-batch (Lirovane) %s\n", kVersion);
        return 0;
    }
    if (AsksForIndex(argc, argv))
        return RunIndexCommand(argc, argv);

    const IoResult<cli::BatchOptions> options = cli::ParseBatchOptions(cli::Arguments(argc, argv));
    if (!options) {
        Fail(options.error().reason);
        std::fputs("Try 'lirovane-batch --help'.\n", stderr);
        return kExitUsage;
    }
    if (options->help) {
        std::fputs(cli::BatchUsage().c_str(), stdout);
        return 0;
    }
    if (const std::string warning = CompressedInputWarning(options->sequence); !warning.empty())
        Fail("warning: " + warning);
    CatchStopSignals();
    if (options->Features())
        return cli::RunFeatureBatch(*options, &g_stopSignal);
    cli::ProgressDisplay display(stderr, isatty(fileno(stderr)) != 0);
    display.StopWhen(&g_stopSignal);
    const BatchReport report = RunBatch(cli::RequestOf(*options), display);
    display.Finish();
    return Report(report, *options);
}
