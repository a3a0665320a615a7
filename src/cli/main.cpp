// lirovane-batch: the window's image batch for pipelines and servers.
#include "cli/batch_options.h"
#include "cli/feature_command.h"
#include "cli/progress_display.h"
#include "cli/view_command.h"

#include "core/batch/gallery_page.h"
#include "core/batch/gallery_pass.h"
#include "core/batch/image_batch.h"
#include "core/batch/picture_table.h"
#include "core/files/folder_lock.h"
#include "core/files/input_file.h"
#include "core/files/output_file.h"
#include "core/intervals/patterns.h"
#include "core/intervals/trf_dat.h"
#include "core/sequence/fasta_index.h"
#include "core/sequence/token_offset_index.h"
#include "core/settings/app_settings.h"
#include "core/version.h"

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include <signal.h>
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

bool CheckInput(const char* what, const std::string& file, CompressedInput compressed = CompressedInput::Refused)
{
    const IoStatus input = CheckInputFile(file, compressed);
    if (input.ok())
        return true;
    Fail("cannot read " + std::string(what) + " '" + file + "': " + input.error().reason);
    return false;
}

bool MakeOutputFolder(const std::string& out)
{
    std::error_code created;
    fs::create_directories(out, created);
    std::error_code ec;
    if (fs::is_directory(out, ec))
        return true;
    // The reason the folder could not be made, not that it is missing afterwards.
    Fail("cannot create output folder '" + out + "'" + (created ? ": " + created.message() : std::string()));
    return false;
}

// trf -ngs writes nothing at all for a sequence without repeats.
bool IsBlankFile(const std::string& file)
{
    std::FILE* f = std::fopen(file.c_str(), "rb");
    if (!f)
        return false;
    int c = 0;
    while ((c = std::fgetc(f)) != EOF && (c == ' ' || (c >= '\t' && c <= '\r'))) {
    }
    const bool blank = c == EOF && std::ferror(f) == 0;
    std::fclose(f);
    return blank;
}

// Outputs that would replace an input: nothing is written then.
bool CheckNoClash(const cli::BatchOptions& options)
{
    std::vector<fs::path> inputs{options.sequence, options.patterns, options.trf};
    IoStatus clash = CheckOutputsAgainstInputs(
        inputs, {fs::path(options.writePatterns), fs::path(options.summary), fs::path(options.table)});
    // Two tables, or a table and the converted patterns, in one file would overwrite each other.
    if (clash.ok())
        clash = CheckOutputsAgainstInputs({options.writePatterns, options.summary}, {fs::path(options.table)});
    if (clash.ok()) {
        inputs.emplace_back(options.writePatterns);
        inputs.emplace_back(options.summary);
        inputs.emplace_back(options.table);
        clash = CheckBatchOutputsAgainstInputs(inputs, options.out);
        for (std::size_t i = 0; clash.ok() && options.sizes.size() > 1 && i < options.sizes.size(); ++i)
            clash = CheckBatchOutputsAgainstInputs(inputs, fs::path(options.out) /
                                                               ("size-" + std::to_string(options.sizes[i])));
    }
    if (!clash.ok())
        Fail(clash.Message());
    return clash.ok();
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

// What a stopped run did, and the status that says which signal stopped it.
int ReportStopped(int pictures, int count, const std::string& out)
{
    const int signal = static_cast<int>(g_stopSignal);
    std::fprintf(stderr,
                 "lirovane-batch: stopped by %s after %d of %d pictures; those stay in %s, no page was replaced\n",
                 signal == SIGTERM ? "SIGTERM" : "SIGINT", pictures, count, out.c_str());
    return 128 + signal;
}

// Converts the .dat file into a patterns file that the split then reads.
bool WriteConvertedPatterns(const cli::BatchOptions& options)
{
    const auto records = ReadTrfRepeats(options.trf, options.sequence);
    if (!records) {
        Fail("cannot convert: " + records.Message());
        return false;
    }
    if (const IoStatus written = WritePatternsFile(options.writePatterns, records.value()); !written) {
        Fail("cannot write patterns file '" + options.writePatterns + "': " + written.error().reason);
        return false;
    }
    return true;
}

bool Split(AppSettings& settings, const cli::BatchOptions& options)
{
    const SplitResult split =
        SplitPatterns(settings.patternsFile, settings.sequenceFile, settings.sizeOfRepeats, options.out);
    if (split->opened)
        settings.numberOfRepeatsInThisSet = split->count;
    if (split)
        return true;

    const fs::path out = options.out;
    if (split->opened && split->written) {
        // Half a split, written by this run, must not pass for a selection of the size
        // asked for. Files that could not be replaced keep their earlier content.
        RemovePartialFile(out / "starts.txt");
        RemovePartialFile(out / "ends.txt");
    }
    if (PatternsRejected(split))
        Fail(split.Message() + " (" + std::string(kInvalidPatternsMessage) + ")");
    else
        Fail("cannot write starts.txt and ends.txt in '" + options.out + "': " + split.Message());
    return false;
}

// What one size's gallery holds, for --summary.
struct SizeRow {
    int size = 0;
    int repeats = 0;
    int pictures = 0;
    std::uint64_t bases = 0;
    std::string page; // relative to the output folder
};

// A table for machines: a header row, then one tab-separated row per size.
bool WriteSummary(const std::string& file, const std::vector<SizeRow>& rows)
{
    OutputFile out(file);
    out.Write("size\trepeats\tpictures\tbases\tpage\n");
    for (const SizeRow& row : rows)
        out.Write(std::to_string(row.size) + '\t' + std::to_string(row.repeats) + '\t' + std::to_string(row.pictures) +
                  '\t' + std::to_string(row.bases) + '\t' + row.page + '\n');
    if (out.Close())
        return true;
    Fail("could not write summary '" + file + "'");
    return false;
}

// One gallery's pictures for --table: its folder relative to DIR ("" or "size-N/").
struct TableGallery {
    const BatchResult* result = nullptr;
    int size = 0;
    std::string folder;
};

// The .dat file the repeats came from, when they came from one.
std::string DatFile(const cli::BatchOptions& options)
{
    if (!options.trf.empty())
        return options.trf;
    return IsTrfDatFile(options.patterns) ? options.patterns : std::string();
}

// --table: one row per saved picture of every gallery, in base coordinates, with the
// .dat's columns when the repeats came from a .dat file.
bool WriteTable(const cli::BatchOptions& options, const std::vector<TableGallery>& galleries)
{
    auto records = TokenOffsetIndex::Global().Records(options.sequence);
    if (!records) {
        Fail("could not write table '" + options.table + "': cannot read the records of '" + options.sequence +
             "': " + records.Message());
        return false;
    }
    std::optional<std::vector<TrfRepeat>> repeats;
    if (const std::string dat = DatFile(options); !dat.empty()) {
        const auto wanted = [&](std::int64_t size) {
            return std::binary_search(options.sizes.begin(), options.sizes.end(), size);
        };
        auto read = ReadTrfRepeatColumns(dat, *records, options.sequence, wanted);
        if (!read) {
            Fail("could not write table '" + options.table + "': " + read.Message());
            return false;
        }
        repeats = std::move(read).value();
    }
    const PictureTable table(std::move(records).value(), std::move(repeats));
    OutputFile out(options.table);
    out.Write(table.Header());
    for (const TableGallery& gallery : galleries)
        out.Write(table.GalleryRows(*gallery.result, gallery.size, options.format, gallery.folder));
    const IoStatus closed = out.Close();
    if (closed)
        return true;
    Fail("could not write table '" + options.table + "': " + closed.error().reason);
    return false;
}

// Reports what a gallery's pass left unwritten; false when anything was.
bool ReportGallery(const cli::BatchOptions& options, const BatchResult& result)
{
    bool ok = true;
    if (!result.sequenceOpened) {
        Fail("cannot read sequence file '" + options.sequence + "'" +
             (result.sequenceRead.ok() ? std::string() : ": " + result.sequenceRead.Message()));
        ok = false;
    } else if (!result.sequenceRead.ok()) {
        Fail("cannot read the sequence to its end: " + result.sequenceRead.Message());
        ok = false;
    }
    if (result.beyondEnd > 0)
        std::fprintf(
            stderr, "lirovane-batch: warning: %d selected repeats end beyond the end of '%s' (%llu positions)\n",
            result.beyondEnd, options.sequence.c_str(), static_cast<unsigned long long>(result.sequenceLength));
    for (const fs::path& file : result.unwritten)
        Fail("could not write picture '" + file.string() + "'");
    if (!result.unwritten.empty())
        ok = false;
    if (!result.pageWritten) {
        Fail("could not write '" + result.page.string() + "'");
        ok = false;
    }
    return ok;
}

// The settings the window would hold for these options.
AppSettings BatchSettings(const cli::BatchOptions& options)
{
    AppSettings settings;
    settings.SetFirstRunDefaults();
    settings.SetOrientation(options.orientation);
    settings.colors = options.colors;
    settings.sizeOfRepeats = options.size;
    settings.sequenceFile = options.sequence;
    settings.patternsFile = options.patterns;
    return settings;
}

int RunOneSize(AppSettings& settings, const cli::BatchOptions& options)
{
    if (!Split(settings, options))
        return kExitFailure;

    cli::ProgressDisplay display(stderr, isatty(fileno(stderr)) != 0);
    display.StopWhen(&g_stopSignal);
    const BatchResult result = CreateImages(settings, display, options.out, options.format);
    display.Finish();
    if (result.stopped)
        return ReportStopped(result.pictures, settings.numberOfRepeatsInThisSet, options.out);

    int status = ReportGallery(options, result) ? 0 : kExitFailure;
    if (settings.numberOfRepeatsInThisSet > 0 && result.pictures == 0) {
        Fail("none of the " + std::to_string(settings.numberOfRepeatsInThisSet) + " selected repeats was drawn");
        status = kExitFailure;
    }
    const int saved = result.pictures - static_cast<int>(result.unwritten.size());
    std::fprintf(stderr, "lirovane-batch: %d of %d repeats of size %d drawn, %d pictures saved%s; gallery %s%s\n",
                 result.pictures, settings.numberOfRepeatsInThisSet, options.size, saved,
                 result.unwritten.empty() ? "" : " (some could not be written)", result.page.string().c_str(),
                 result.pageWritten ? "" : " (not written)");
    if (!options.summary.empty() && !WriteSummary(options.summary, {{options.size, settings.numberOfRepeatsInThisSet,
                                                                     result.pictures, result.bases, "index.htm"}}))
        status = kExitFailure;
    if (!options.table.empty() && !WriteTable(options, {{&result, options.size, ""}}))
        status = kExitFailure;
    return status;
}

// Several sizes: the patterns are split once and the sequence read once for all of
// them, each size into DIR/size-N/, and DIR/index.htm links the galleries.
// Makes DIR/size-N for every size and splits the patterns once into them.
std::optional<std::vector<SizeSelection>> SplitSizes(const AppSettings& settings, const cli::BatchOptions& options)
{
    const fs::path out = options.out;
    std::vector<SizeSelection> sizes;
    for (const int size : options.sizes) {
        const std::string folder = "size-" + std::to_string(size);
        if (!MakeOutputFolder((out / folder).string()))
            return std::nullopt;
        sizes.push_back({size, out / folder, 0});
    }
    const SplitResult split = SplitPatternsBySize(settings.patternsFile, settings.sequenceFile, sizes);
    if (PatternsRejected(split)) {
        Fail(split.Message() + " (" + std::string(kInvalidPatternsMessage) + ")");
        return std::nullopt;
    }
    if (!split) {
        Fail(split.Message());
        return std::nullopt;
    }
    return sizes;
}

// One line per size on standard error; the row of the summary table.
SizeRow ReportSize(const SizeSelection& size, const BatchResult& result)
{
    if (size.count == 0)
        std::fprintf(stderr, "lirovane-batch: size %d: no repeats of this size, empty gallery %s\n", size.size,
                     result.page.string().c_str());
    else
        std::fprintf(stderr, "lirovane-batch: size %d: %d of %d repeats drawn, %d pictures saved; gallery %s\n",
                     size.size, result.pictures, size.count,
                     result.pictures - static_cast<int>(result.unwritten.size()), result.page.string().c_str());
    return {size.size, size.count, result.pictures, result.bases, size.dir.filename().string() + "/index.htm"};
}

// Several sizes: the patterns are split once and the sequence read once for all of
// them, each size into DIR/size-N/, and DIR/index.htm links the galleries.
int RunSizes(const AppSettings& settings, const cli::BatchOptions& options)
{
    const auto sizes = SplitSizes(settings, options);
    if (!sizes)
        return kExitFailure;
    std::vector<GallerySelection> galleries;
    for (const SizeSelection& size : *sizes)
        galleries.push_back({size.dir, size.size, size.count, options.format});
    cli::ProgressDisplay display(stderr, isatty(fileno(stderr)) != 0);
    const std::vector<BatchResult> results = DrawGalleries(
        settings, galleries, [&](int pictures, int count) { display.Progress(pictures, count); },
        /*picturesOnOwnThread=*/true, [] { return g_stopSignal != 0; });
    display.Finish();
    int pictures = 0;
    int selected = 0;
    for (const BatchResult& result : results)
        pictures += result.pictures;
    for (const SizeSelection& size : *sizes)
        selected += size.count;
    if (!results.empty() && results.front().stopped)
        return ReportStopped(pictures, selected, options.out);
    pictures = 0;

    int status = 0;
    std::vector<SizeGalleryLink> links;
    std::vector<SizeRow> rows;
    for (std::size_t i = 0; i < results.size(); ++i) {
        if (!ReportGallery(options, results[i]))
            status = kExitFailure;
        pictures += results[i].pictures;
        const SizeSelection& size = (*sizes)[i];
        links.push_back({size.size, size.count, results[i].pictures, size.dir.filename().string()});
        rows.push_back(ReportSize(size, results[i]));
    }

    const fs::path out = options.out;
    std::error_code ec;
    const fs::path overview = (fs::absolute(out, ec) / "index.htm").lexically_normal();
    const bool overviewWritten = WriteSizesPage(out / "index.htm", options.sequence, links).ok();
    if (!overviewWritten) {
        Fail("could not write '" + overview.string() + "'");
        status = kExitFailure;
    }
    if (!options.summary.empty() && !WriteSummary(options.summary, rows))
        status = kExitFailure;
    if (!options.table.empty()) {
        std::vector<TableGallery> tables;
        for (std::size_t i = 0; i < results.size(); ++i)
            tables.push_back({&results[i], (*sizes)[i].size, (*sizes)[i].dir.filename().string() + "/"});
        if (!WriteTable(options, tables))
            status = kExitFailure;
    }
    std::fprintf(stderr, "lirovane-batch: %zu sizes, %d pictures; overview %s%s\n", sizes->size(), pictures,
                 overview.string().c_str(), overviewWritten ? "" : " (not written)");
    if (selected > 0 && pictures == 0) {
        Fail("none of the " + std::to_string(selected) + " selected repeats was drawn");
        status = kExitFailure;
    }
    return status;
}

int RunBatch(const cli::BatchOptions& options)
{
    if (options.Features()) {
        CatchStopSignals();
        return cli::RunFeatureBatch(options, &g_stopSignal);
    }
    if (!CheckNoClash(options))
        return kExitUsage;
    if (!CheckInput("sequence file", options.sequence, CompressedInput::Decoded))
        return kExitFailure;
    if (!options.trf.empty()) {
        if (!CheckInput("Tandem Repeats Finder file", options.trf))
            return kExitFailure;
        if (!IsTrfDatFile(options.trf) && !IsBlankFile(options.trf)) {
            Fail("'" + options.trf + "' is not Tandem Repeats Finder .dat output (use --patterns for a patterns file)");
            return kExitFailure;
        }
    } else if (!CheckInput("patterns file", options.patterns)) {
        return kExitFailure;
    }
    if (!MakeOutputFolder(options.out))
        return kExitFailure;
    FolderLock lock;
    if (const IoStatus locked = lock.Acquire(options.out); !locked) {
        Fail(locked.Message());
        return kExitFailure;
    }
    // What an earlier run, killed while writing, left half done; no other run writes here now.
    RemoveStaleStagedFiles(options.out);
    for (const int size : options.sizes.size() > 1 ? options.sizes : std::vector<int>{})
        RemoveStaleStagedFiles(fs::path(options.out) / ("size-" + std::to_string(size)));
    CatchStopSignals();

    AppSettings settings = BatchSettings(options);
    if (!options.trf.empty()) {
        // With a converted file at hand the split need not scan the sequence again.
        if (!options.writePatterns.empty() && !WriteConvertedPatterns(options))
            return kExitFailure;
        settings.patternsFile = options.writePatterns.empty() ? options.trf : options.writePatterns;
    }
    return options.sizes.size() == 1 ? RunOneSize(settings, options) : RunSizes(settings, options);
}

} // namespace

int main(int argc, char** argv)
{
    if (cli::AsksForViewMode(argc, argv))
        return RunViewCommand(argc, argv);
    if (argc == 2 && std::string_view(argv[1]) == "--version") {
        std::printf("lirovane-batch (Lirovane) %s\n", kVersion);
        return 0;
    }
    // --index FILE: FILE.fai (and FILE.gzi for BGZF) as samtools faidx writes them.
    if (argc >= 2 && (std::string_view(argv[1]) == "--index" || std::string_view(argv[1]).starts_with("--index="))) {
        const std::string_view first = argv[1];
        const bool inlineValue = first.starts_with("--index=");
        if (argc != (inlineValue ? 2 : 3)) {
            Fail("--index takes one sequence file and nothing else");
            return kExitUsage;
        }
        const std::string file = inlineValue ? std::string(first.substr(8)) : std::string(argv[2]);
        if (const IoStatus indexed = WriteFastaIndex(file); !indexed) {
            Fail(indexed.Message());
            return kExitFailure;
        }
        std::fprintf(stderr, "lirovane-batch: wrote %s.fai\n", file.c_str());
        return 0;
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
