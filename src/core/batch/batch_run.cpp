#include "core/batch/batch_run.h"

#include "core/batch/gallery_page.h"
#include "core/batch/gallery_pass.h"
#include "core/batch/picture_table.h"
#include "core/batch/run_description.h"
#include "core/files/input_file.h"
#include "core/files/output_file.h"
#include "core/intervals/patterns.h"
#include "core/intervals/trf_dat.h"
#include "core/sequence/token_offset_index.h"
#include "core/settings/app_settings.h"

#include <algorithm>
#include <cstdio>
#include <system_error>

namespace fs = std::filesystem;

namespace lirovane {

namespace {

// trf -ngs writes nothing at all for a sequence without repeats.
bool IsBlankFile(const fs::path& file)
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

BatchReport& Fail(BatchReport& report, RunItem item, IoError error)
{
    report.errors.push_back({item, std::move(error)});
    return report;
}

// The inputs' own checks, before anything is written: a file that is not text is
// refused with its reason rather than read as a sequence without repeats.
IoStatus CheckInputs(const BatchRequest& request, RunItem& item)
{
    item = RunItem::Sequence;
    if (IoStatus sequence = CheckInputFile(request.sequence, CompressedInput::Decoded); !sequence)
        return sequence;
    item = RunItem::Intervals;
    const Selection& selection = request.selection;
    if (selection.kind == SelectionKind::PositionFiles)
        return {};
    if (IoStatus intervals = CheckInputFile(selection.file); !intervals)
        return intervals;
    if (selection.kind == SelectionKind::TrfDat && !IsTrfDatFile(selection.file) && !IsBlankFile(selection.file))
        return IoError::Content(selection.file, 0,
                                "is not Tandem Repeats Finder .dat output (use --patterns for a patterns file)");
    return {};
}

// A failed conversion or split is the sequence's fault when it names the sequence.
RunItem RejectedItem(const IoError& error, const BatchRequest& request)
{
    return error.file == fs::path(request.sequence) ? RunItem::Sequence : RunItem::Selection;
}

// The one split of every size, from whichever kind of selection; false after a failure.
bool SplitSelection(const BatchRequest& request, std::vector<SizeSelection>& sizes, BatchReport& report)
{
    fs::path patterns = request.selection.file;
    if (request.selection.kind == SelectionKind::TrfDat && !request.writePatterns.empty()) {
        // With a converted file at hand the split need not scan the sequence again.
        const auto records = ReadTrfRepeats(patterns, request.sequence);
        if (!records) {
            Fail(report, RejectedItem(records.error(), request), records.error());
            return false;
        }
        if (IoStatus written = WritePatternsFile(request.writePatterns, records.value()); !written) {
            Fail(report, RunItem::Patterns, written.error());
            return false;
        }
        patterns = request.writePatterns;
    }
    const IoStatus split = SplitPatterns(patterns, request.sequence, sizes, BadRecord::SelectNothing);
    if (split.ok())
        return true;
    if (PatternsRejected(split, sizes)) {
        Fail(report, RejectedItem(split.error(), request), split.error());
        return false;
    }
    // Half a split must not pass for a selection of the sizes asked for.
    for (const SizeSelection& size : sizes) {
        RemovePartialFile(PositionFile(size.dir, "starts.txt"));
        RemovePartialFile(PositionFile(size.dir, "ends.txt"));
    }
    Fail(report, RunItem::Positions, split.error());
    return false;
}

// Each size's gallery and folder, with the count of its repeats once selected.
bool SelectGalleries(const BatchRequest& request, BatchReport& report)
{
    const bool several = request.sizes.size() > 1;
    std::vector<SizeSelection> sizes;
    for (const int size : request.sizes) {
        const std::string folder = several ? SizeFolderName(size) : std::string();
        report.galleries.push_back({size, request.selection.count, folder, {}});
        sizes.push_back({size, several ? request.out / folder : request.out, request.selection.count});
    }
    if (request.selection.kind != SelectionKind::PositionFiles && !SplitSelection(request, sizes, report))
        return false;
    for (std::size_t i = 0; i < sizes.size(); ++i)
        report.galleries[i].selected = sizes[i].count;
    return true;
}

// The .dat file the repeats came from, when they came from one.
fs::path DatFile(const BatchRequest& request)
{
    const Selection& selection = request.selection;
    if (selection.kind == SelectionKind::TrfDat ||
        (selection.kind == SelectionKind::Patterns && IsTrfDatFile(selection.file)))
        return selection.file;
    return {};
}

// One row per saved picture of every gallery, in base coordinates, with the .dat's
// columns when the repeats came from a .dat file.
IoStatus WriteTable(const BatchRequest& request, const BatchReport& report)
{
    auto records = TokenOffsetIndex::Global().Records(request.sequence);
    if (!records)
        return records;
    std::optional<std::vector<TrfRepeat>> repeats;
    if (const fs::path dat = DatFile(request); !dat.empty()) {
        const auto wanted = [&](std::int64_t size) {
            return std::binary_search(request.sizes.begin(), request.sizes.end(), size);
        };
        auto read = ReadTrfRepeatColumns(dat, *records, request.sequence, wanted);
        if (!read)
            return read;
        repeats = std::move(read).value();
    }
    const PictureTable table(std::move(records).value(), std::move(repeats));
    OutputFile out(request.table);
    out.Write(table.Header());
    for (const SizeGallery& gallery : report.galleries)
        out.Write(table.GalleryRows(gallery.result, gallery.size, request.format,
                                    gallery.folder.empty() ? std::string() : gallery.folder + "/"));
    return out.Close();
}

// A table for machines: a header row, then one tab-separated row per size.
IoStatus WriteSummary(const fs::path& file, const BatchReport& report)
{
    OutputFile out(file);
    out.Write("size\trepeats\tpictures\tbases\tpage\n");
    for (const SizeGallery& gallery : report.galleries)
        out.Write(std::to_string(gallery.size) + '\t' + std::to_string(gallery.selected) + '\t' +
                  std::to_string(gallery.result.pictures) + '\t' + std::to_string(gallery.result.bases) + '\t' +
                  (gallery.folder.empty() ? std::string() : gallery.folder + "/") + "index.htm\n");
    return out.Close();
}

// Draws every gallery in one read; the sequence's errors become the run's, once.
void Draw(const BatchRequest& request, BatchDisplay& display, BatchReport& report)
{
    AppSettings settings;
    settings.sequenceFile = request.sequence;
    settings.letters = request.style.letters;
    settings.colors = request.style.colors;
    std::vector<GallerySelection> galleries;
    for (const SizeGallery& gallery : report.galleries)
        galleries.push_back({request.out / gallery.folder, gallery.size, gallery.selected, request.format});
    const bool checked = request.inputs == InputRule::Checked;
    PassOptions options;
    options.picturesOnOwnThread = request.picturesOnOwnThread;
    options.picturesAhead = request.picturesAhead;
    options.svgResolution = request.svgResolution;
    options.readToEnd = checked;
    options.pagesNeedWholeSequence = checked;
    std::vector<BatchResult> results = DrawOnDisplay(settings, display, galleries, options);
    for (std::size_t i = 0; i < results.size(); ++i) {
        auto& errors = results[i].errors;
        for (const RunError& error : errors)
            if (i == 0 && (error.item == RunItem::Sequence || error.item == RunItem::SequenceEnd))
                report.errors.push_back(error);
        std::erase_if(errors,
                      [](const RunError& e) { return e.item == RunItem::Sequence || e.item == RunItem::SequenceEnd; });
        report.galleries[i].result = std::move(results[i]);
    }
    report.stopped = !report.galleries.empty() && report.galleries.front().result.stopped;
}

// The overview of several sizes, the browser sent to the page, the tables.
void Finish(const BatchRequest& request, BatchDisplay& display, BatchReport& report)
{
    const bool several = report.galleries.size() > 1;
    std::error_code ec;
    if (several) {
        report.overview = (fs::absolute(request.out, ec) / "index.htm").lexically_normal();
        std::vector<SizeGalleryLink> links;
        for (const SizeGallery& gallery : report.galleries)
            links.push_back({gallery.size, gallery.selected, gallery.result.pictures, gallery.folder});
        if (IoStatus written = WriteSizesPage(request.out / "index.htm", request.sequence, links); !written)
            report.errors.push_back({RunItem::Overview, written.error()});
    }
    BatchResult& first = report.galleries.front().result;
    first.url = FileUrl(several ? report.overview : first.page);
    display.Navigate(first.url);
    if (!request.table.empty())
        if (IoStatus written = WriteTable(request, report); !written)
            report.errors.push_back({RunItem::Table, written.error()});
    if (!request.summary.empty())
        if (IoStatus written = WriteSummary(request.summary, report); !written)
            report.errors.push_back({RunItem::Summary, written.error()});
}

} // namespace

BatchReport RunBatch(const BatchRequest& asked, BatchDisplay& display)
{
    BatchReport report;
    BatchRequest request = asked;
    if (request.out.empty()) {
        std::error_code ec;
        request.out = fs::current_path(ec);
    }
    const RunDescription run = DescribeRun(request);
    if (IoStatus clash = CheckClashes(run); !clash)
        return Fail(report, RunItem::Clash, clash.error());
    RunItem item = RunItem::Sequence;
    if (IoStatus checked = request.inputs == InputRule::Checked ? CheckInputs(request, item) : IoStatus(); !checked)
        return Fail(report, item, checked.error());
    std::vector<FolderLock> locks;
    if (IoStatus locked = LockFolders(run, locks); !locked)
        return Fail(report, RunItem::Folder, locked.error());
    // No other run writes into these folders now: what is staged there was left by a killed one.
    SweepStagedFiles(run);
    if (!SelectGalleries(request, report))
        return report;
    Draw(request, display, report);
    // A stopped run, or one that could not read its sequence whole, replaces no page.
    if (report.stopped || (request.inputs == InputRule::Checked &&
                           (report.Error(RunItem::Sequence) || report.Error(RunItem::SequenceEnd))))
        return report;
    Finish(request, display, report);
    return report;
}

const IoError* BatchReport::Error(RunItem item) const
{
    const auto found = std::find_if(errors.begin(), errors.end(), [&](const RunError& e) { return e.item == item; });
    return found == errors.end() ? nullptr : &found->error;
}

bool BatchReport::Failed() const
{
    return !errors.empty() || std::any_of(galleries.begin(), galleries.end(),
                                          [](const SizeGallery& g) { return !g.result.errors.empty(); });
}

int BatchReport::Pictures() const
{
    int pictures = 0;
    for (const SizeGallery& gallery : galleries)
        pictures += gallery.result.pictures;
    return pictures;
}

int BatchReport::Selected() const
{
    int selected = 0;
    for (const SizeGallery& gallery : galleries)
        selected += gallery.selected;
    return selected;
}

} // namespace lirovane
