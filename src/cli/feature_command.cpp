#include "cli/feature_command.h"

#include "cli/progress_display.h"
#include "core/batch/feature_gallery.h"
#include "core/files/folder_lock.h"
#include "core/files/input_file.h"
#include "core/files/output_file.h"
#include "core/sequence/token_offset_index.h"
#include "core/settings/app_settings.h"

#include <cstdio>
#include <filesystem>
#include <list>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include <unistd.h>

namespace fs = std::filesystem;

namespace lirovane::cli {

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

void Fail(const std::string& message)
{
    std::fprintf(stderr, "lirovane-batch: %s\n", message.c_str());
}

const std::string& FeatureFile(const BatchOptions& options)
{
    return options.bed.empty() ? options.gff : options.bed;
}

// The features of the options, matched against the sequence's records; nothing after
// a message when either file cannot be read.
std::optional<FeatureGalleryRequest> ReadRequest(const BatchOptions& options)
{
    for (const auto& [what, file] :
         {std::pair{"sequence file", options.sequence}, {"feature file", FeatureFile(options)}}) {
        if (const IoStatus input = CheckInputFile(file, CompressedInput::Decoded); !input) {
            Fail("cannot read " + std::string(what) + " '" + file + "': " + input.error().reason);
            return std::nullopt;
        }
    }
    auto records = TokenOffsetIndex::Global().Records(options.sequence);
    if (!records) {
        Fail("cannot read the records of '" + options.sequence + "': " + records.Message());
        return std::nullopt;
    }
    const FeatureQuery query{FeatureFile(options), options.bed.empty() ? FeatureFormat::Gff3 : FeatureFormat::Bed,
                             options.types};
    auto features = ReadFeatures(query, *records, options.sequence);
    if (!features) {
        Fail(features.Message());
        return std::nullopt;
    }
    return FeatureGalleryRequest{FeatureFile(options), std::move(features).value(), std::move(records).value(),
                                 options.out,          !options.types.empty(),      options.ignoreStrand,
                                 options.format,       options.svgResolution};
}

// Every file the run writes, checked against its inputs before anything is written.
bool CheckNoClash(const BatchOptions& options, const std::vector<FeatureGallery>& galleries)
{
    const std::vector<fs::path> inputs{options.sequence, FeatureFile(options)};
    std::vector<fs::path> outputs{fs::path(options.out) / "index.htm"};
    for (const FeatureGallery& gallery : galleries) {
        outputs.push_back(gallery.dir / "index.htm");
        outputs.push_back(gallery.dir / kFeatureListName);
        for (const FeaturePicture& picture : gallery.pictures)
            outputs.push_back(gallery.dir / picture.file);
    }
    for (const std::string& table : {options.summary, options.table})
        if (!table.empty())
            outputs.emplace_back(table);
    IoStatus clash = CheckOutputsAgainstInputs(inputs, outputs);
    if (clash && !options.summary.empty() && !options.table.empty())
        clash = CheckOutputsAgainstInputs({options.summary}, {fs::path(options.table)});
    if (!clash)
        Fail(clash.Message());
    return clash.ok();
}

// Makes and locks the output folder and every type folder, and removes what an earlier
// run, killed while writing there, left half done.
bool PrepareFolders(const BatchOptions& options, const std::vector<FeatureGallery>& galleries,
                    std::list<FolderLock>& locks)
{
    std::vector<fs::path> folders{options.out};
    for (const FeatureGallery& gallery : galleries)
        if (!gallery.folder.empty())
            folders.push_back(gallery.dir);
    for (const fs::path& folder : folders) {
        std::error_code created;
        fs::create_directories(folder, created);
        std::error_code ec;
        if (!fs::is_directory(folder, ec)) {
            Fail("cannot create output folder '" + folder.string() + "'" +
                 (created ? ": " + created.message() : std::string()));
            return false;
        }
        if (const IoStatus locked = locks.emplace_back().Acquire(folder); !locked) {
            Fail(locked.Message());
            return false;
        }
        // Only names this program stages under, which no input bears.
        RemoveStaleStagedFiles(folder, [](const fs::path&, std::string_view) { return true; });
    }
    return true;
}

bool WriteText(const std::string& file, const std::string& what, const std::string& text)
{
    OutputFile out(file);
    out.Write(text);
    const IoStatus closed = out.Close();
    if (!closed)
        Fail("cannot write " + what + " '" + file + "': " + closed.error().reason);
    return closed.ok();
}

// Reports what the run left unwritten, one line per gallery and one for the run;
// false when anything failed.
bool Report(const BatchOptions& options, const FeatureGalleryRequest& request, const FeatureRunReport& report)
{
    bool ok = report.sequence.ok();
    if (!ok)
        Fail("cannot read the sequence to its last feature: " + report.sequence.Message());
    std::size_t features = 0;
    std::size_t saved = 0;
    for (const FeatureGallery& gallery : report.galleries) {
        for (const IoError& error : gallery.unwritten)
            Fail("cannot write picture '" + error.file.string() + "': " + error.reason);
        if (!gallery.page)
            Fail("cannot write '" + gallery.pagePath.string() + "': " + gallery.page.error().reason);
        if (!gallery.list)
            Fail(gallery.list.Message());
        ok = ok && gallery.unwritten.empty() && gallery.page.ok() && gallery.list.ok();
        features += gallery.pictures.size();
        saved += gallery.drawn - gallery.unwritten.size();
        if (request.byType)
            std::fprintf(stderr, "lirovane-batch: type %s: %zu features, %zu pictures saved; gallery %s\n",
                         request.features.types[gallery.type].c_str(), gallery.pictures.size(),
                         gallery.drawn - gallery.unwritten.size(), gallery.pagePath.string().c_str());
    }
    if (!report.overview) {
        Fail("cannot write '" + report.overviewPath.string() + "': " + report.overview.error().reason);
        ok = false;
    }
    const fs::path& page = request.byType ? report.overviewPath : report.galleries.front().pagePath;
    std::fprintf(stderr, "lirovane-batch: %zu features, %zu pictures saved; %s %s\n", features, saved,
                 request.byType ? "overview" : "gallery", page.string().c_str());
    if (!options.summary.empty() && !WriteText(options.summary, "summary", FeatureSummary(request, report)))
        ok = false;
    if (!options.table.empty() && !WriteText(options.table, "table", FeatureTable(request, report)))
        ok = false;
    return ok;
}

AppSettings Settings(const BatchOptions& options)
{
    AppSettings settings;
    settings.SetFirstRunDefaults();
    settings.SetOrientation(options.orientation);
    settings.colors = options.colors;
    settings.sequenceFile = options.sequence;
    return settings;
}

} // namespace

int RunFeatureBatch(const BatchOptions& options, const volatile std::sig_atomic_t* stop)
{
    const auto request = ReadRequest(options);
    if (!request)
        return kExitFailure;
    std::vector<FeatureGallery> galleries = PlanFeatureGalleries(*request);
    if (!CheckNoClash(options, galleries))
        return kExitUsage;
    std::list<FolderLock> locks;
    if (!PrepareFolders(options, galleries, locks))
        return kExitFailure;

    ProgressDisplay display(stderr, isatty(fileno(stderr)) != 0);
    const FeatureRunReport report = DrawFeatureGalleries(
        Settings(options), *request, std::move(galleries),
        [&](int pictures, int count) { display.Progress(pictures, count); }, [&] { return *stop != 0; });
    display.Finish();
    if (report.stopped) {
        std::fprintf(stderr,
                     "lirovane-batch: stopped by %s after %d pictures; those stay in %s, no page was replaced\n",
                     *stop == SIGTERM ? "SIGTERM" : "SIGINT", report.pictures, options.out.c_str());
        return 128 + static_cast<int>(*stop);
    }
    return Report(options, *request, report) ? 0 : kExitFailure;
}

} // namespace lirovane::cli
