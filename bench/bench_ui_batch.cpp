// The window's image batch against the command line's, on the same gallery, in one run:
// Create images in the main view, from the command to the page's first screen painted,
// beside lirovane-batch as a child process from start to exit. Also the same run with
// the pictures drawn on the reading thread (as the window did before), for comparison.
//
//   bench_ui_batch [--mb N] [--pictures N] [--rounds N] [--batch PATH] [--dir DIR]
//                  [--sample FASTA PATTERNS SIZE]
//
// The synthetic sequence (default 16 MB, 8000 repeats of size 2) or a real sample, for
// example the MAL14 sample at size 2. Figures are the best of --rounds (default 3).
// Run it on a display (xvfb-run bench_ui_batch): offscreen a repaint costs next to nothing.

#include "child_process.h"
#include "core/batch/batch_run.h"
#include "core/batch/image_batch.h"
#include "core/settings/app_settings.h"
#include "core/settings/memory_profile_store.h"
#include "ui/app/morkelby_view.h"
#include "ui/app/picker_services.h"
#include "ui/app/wait_surface.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Run {
    double seconds = 1e9;
    double cpu = 1e9;
    void Best(double s, double c)
    {
        seconds = std::min(seconds, s);
        cpu = std::min(cpu, c);
    }
};

[[noreturn]] void Die(const std::string& what)
{
    std::fprintf(stderr, "bench_ui_batch: %s\n", what.c_str());
    std::exit(1);
}

double ProcessCpu()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

void WriteSequence(const fs::path& file, std::uint64_t bytes)
{
    std::ofstream out(file, std::ios::binary);
    out << ">bench synthetic chromosome\n";
    std::mt19937_64 random(42);
    std::string line(61, '\n');
    for (std::uint64_t written = 0; written < bytes; written += line.size()) {
        for (std::size_t i = 0; i < 60; ++i)
            line[i] = "ACGT"[random() & 3];
        out << line;
    }
}

void WritePatterns(const fs::path& file, std::uint64_t tokens, int repeats)
{
    std::ofstream out(file, std::ios::binary);
    const std::uint64_t spacing = (tokens - 2000) / static_cast<std::uint64_t>(repeats);
    for (int i = 0; i < repeats; ++i) {
        const std::uint64_t start = 100 + spacing * static_cast<std::uint64_t>(i);
        out << start << ' ' << start + 40 + static_cast<std::uint64_t>(i % 161) << " 2\r\n";
    }
}

// lirovane-batch from start to exit: wall and CPU seconds.
std::pair<double, double> RunCommandLine(const std::vector<std::string>& args)
{
    const bench::ChildRun run = bench::Spawn(args);
    return {run.seconds, run.cpu};
}

class NoPickers final : public PickerServices {
public:
    std::optional<lirovane::Color> PickColor(QWidget*, lirovane::Color) override { return std::nullopt; }
    std::optional<QString> OpenFileName(QWidget*, const QString&, const QStringList&, const QString&) override
    {
        return {};
    }
    std::optional<QString> SaveFileName(QWidget*, const QString&, const QStringList&, QString*, const QString&) override
    {
        return {};
    }
    void ShowMessage(QWidget*, const QString& text) override { std::fprintf(stderr, "%s\n", qPrintable(text)); }
};

// The window's display as it was before its run used the drawing thread: the same
// surface, shown as the view shows it, with the pictures drawn on the reading thread.
class OneThreadDisplay final : public lirovane::BatchDisplay {
public:
    explicit OneThreadDisplay(WaitSurface& surface) : m_surface(surface) {}
    lirovane::Canvas& Surface() override { return m_surface.canvas(); }
    void Present() override { m_surface.Present(); }
    void Progress(int pictures, int count) override
    {
        m_surface.SetBarRight(lirovane::ProgressBarRight(pictures, count));
    }
    void Navigate(const std::string&) override {}
    bool StopRequested() override
    {
        m_surface.KeepPainted();
        return false;
    }

private:
    WaitSurface& m_surface;
};

// A folder holding the selection the settings flow left: starts.txt and ends.txt.
void Fresh(const fs::path& dir, const fs::path& selection)
{
    fs::remove_all(dir);
    fs::create_directories(dir);
    fs::copy_file(selection / "starts.txt", dir / "starts.txt");
    fs::copy_file(selection / "ends.txt", dir / "ends.txt");
}

int Lines(const fs::path& file)
{
    std::ifstream in(file);
    return static_cast<int>(std::count(std::istreambuf_iterator<char>(in), {}, '\n'));
}

// What is measured: the input, the settings the flow left for it, and its selection.
struct Bench {
    fs::path work;
    fs::path sequence;
    fs::path patterns;
    int size = 2;
    std::vector<std::string> args; // lirovane-batch's
    lirovane::AppSettings settings;
    fs::path selection;
};

// The synthetic input or the sample, and the selection the settings flow leaves for it.
Bench Prepare(const bench::BatchBenchOptions& options)
{
    Bench b;
    b.work = options.base / ("lirovane_bench_ui_batch_" + std::to_string(getpid()));
    fs::create_directories(b.work);
    b.sequence = b.work / "bench.fa";
    b.patterns = b.work / "bench.pat";
    if (options.sample.empty()) {
        WriteSequence(b.sequence, options.megabytes << 20);
        WritePatterns(b.patterns, (options.megabytes << 20) * 60 / 61, options.pictures);
    } else {
        b.sequence = fs::absolute(options.sample[0]);
        b.patterns = fs::absolute(options.sample[1]);
        b.size = std::atoi(options.sample[2].c_str());
    }
    b.args = {options.batch, "--sequence", b.sequence.string(), "--patterns", b.patterns.string(), "--size",
              std::to_string(b.size), "--out", (b.work / "cli").string()};
    RunCommandLine(b.args);
    b.selection = b.work / "cli";
    b.settings.SetFirstRunDefaults();
    b.settings.sequenceFile = b.sequence.string();
    b.settings.patternsFile = b.patterns.string();
    b.settings.sizeOfRepeats = b.size;
    b.settings.numberOfRepeatsInThisSet = Lines(b.selection / "starts.txt");
    return b;
}

// The window's Create images, until the page's first screen is painted, thumbnails and all.
void TimeWindow(const Bench& b, CMorkelbyView& view, Run& window)
{
    Fresh(b.work / "window", b.selection);
    QDir::setCurrent(QString::fromStdString((b.work / "window").string()));
    QElapsedTimer clock;
    clock.start();
    const double cpu0 = ProcessCpu();
    view.OnCreateImages();
    view.repaint();
    QApplication::processEvents();
    window.Best(static_cast<double>(clock.nsecsElapsed()) * 1e-9, ProcessCpu() - cpu0);
}

// The same run with the pictures drawn on the reading thread; the pictures drawn.
int TimeOneThread(const Bench& b, WaitSurface& surface, Run& oneThread)
{
    Fresh(b.work / "before", b.selection);
    surface.Begin();
    QElapsedTimer clock;
    clock.start();
    const double cpu0 = ProcessCpu();
    OneThreadDisplay display(surface);
    lirovane::BatchRequest request;
    request.sequence = b.settings.sequenceFile;
    request.selection = {lirovane::SelectionKind::PositionFiles, {}, b.settings.numberOfRepeatsInThisSet};
    request.sizes = {b.size};
    request.out = b.work / "before";
    request.style = b.settings.Style();
    request.inputs = lirovane::InputRule::AsGiven;
    request.picturesOnOwnThread = false;
    const int drawn = lirovane::RunBatch(request, display).Pictures();
    oneThread.Best(static_cast<double>(clock.nsecsElapsed()) * 1e-9, ProcessCpu() - cpu0);
    surface.End();
    QApplication::processEvents();
    return drawn;
}

void Report(const Bench& b, int drawn, const Run& commandLine, const Run& window, const Run& oneThread)
{
    std::printf("platform: %s\n", qPrintable(QGuiApplication::platformName()));
    std::printf("gallery: %d pictures of size %d from %s (%.1f MB)\n", drawn, b.size, b.sequence.filename().c_str(),
                static_cast<double>(fs::file_size(b.sequence)) / (1 << 20));
    std::printf("command line (lirovane-batch process): %.3f s, CPU %.3f s\n", commandLine.seconds, commandLine.cpu);
    std::printf("window, Create images to painted page:  %.3f s, CPU %.3f s\n", window.seconds, window.cpu);
    std::printf("window's run on one thread (as before):  %.3f s, CPU %.3f s\n", oneThread.seconds, oneThread.cpu);
    std::printf("ratio window / command line: %.2f wall, %.2f CPU; one thread: %.2f wall, %.2f CPU\n",
                window.seconds / commandLine.seconds, window.cpu / commandLine.cpu,
                oneThread.seconds / commandLine.seconds, oneThread.cpu / commandLine.cpu);
    const double allowed = 1.2 * commandLine.seconds + 0.5;
    std::printf("target: window <= 1.2 x command line + 0.5 s = %.3f s: %s\n", allowed,
                window.seconds <= allowed ? "met" : "missed");
}

} // namespace

int main(int argc, char** argv)
{
    bench::BatchBenchOptions options;
    options.megabytes = 16;
    options.rounds = 3;
    for (int i = 1; i < argc; ++i)
        if (!options.Read(argc, argv, i))
            Die("usage: bench_ui_batch [--mb N] [--pictures N] [--rounds N] [--batch PATH] [--dir DIR] "
                "[--sample FASTA PATTERNS SIZE]");
    // On a display the repaints cost what they cost a user (run under xvfb-run for a
    // machine without one); without one the offscreen platform draws into memory.
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    options.batch = fs::absolute(options.batch).string();
    Bench b = Prepare(options);
    lirovane::MemoryProfileStore store;
    lirovane::SaveSettings(b.settings, store);
    NoPickers pickers;

    CMorkelbyView view(b.settings, store, pickers);
    view.resize(800, 600);
    view.show();
    QWidget before;
    before.resize(800, 600);
    auto* surface = new WaitSurface(&before);
    before.show();
    QApplication::processEvents();

    Run commandLine;
    Run window;
    Run oneThread;
    int drawn = 0;
    for (int round = 0; round < options.rounds; ++round) {
        fs::remove_all(b.work / "cli");
        const auto [seconds, cpu] = RunCommandLine(b.args);
        commandLine.Best(seconds, cpu);
        TimeWindow(b, view, window);
        drawn = TimeOneThread(b, *surface, oneThread);
    }
    QDir::setCurrent(QString::fromStdString(options.base.string()));
    Report(b, drawn, commandLine, window, oneThread);
    std::error_code ec;
    fs::remove_all(b.work, ec);
    return 0;
}
