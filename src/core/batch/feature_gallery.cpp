#include "core/batch/feature_gallery.h"

#include "core/batch/gallery_page.h"
#include "core/batch/image_batch.h"
#include "core/batch/picture_writer.h"
#include "core/files/output_file.h"
#include "core/files/safe_name.h"
#include "core/sequence/genome_coordinates.h"
#include "core/sequence/reverse_complement.h"
#include "core/sequence/token_reader.h"
#include "core/settings/app_settings.h"

#include <algorithm>
#include <memory>
#include <numeric>
#include <system_error>
#include <tuple>
#include <utility>

namespace lirovane {

namespace {

constexpr const char* kPageName = "index.htm";

bool DrawnMinus(const Feature& feature, bool ignoreStrand)
{
    return feature.strand == '-' && !ignoreStrand;
}

// RECORD_START-END with 1-based bases, for a feature without a name.
std::string PlaceName(const FeatureGalleryRequest& request, const Feature& feature)
{
    std::string name(RecordName(request.records[feature.record]));
    name.append(1, '_').append(std::to_string(feature.start + 1)).append(1, '-').append(std::to_string(feature.end));
    if (DrawnMinus(feature, request.ignoreStrand))
        name += "_minus";
    return name;
}

// Feature indexes in sequence order: record, start, end, then file order.
std::vector<std::size_t> SequenceOrder(const FeatureList& features)
{
    std::vector<std::size_t> order(features.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        const Feature& x = features[a];
        const Feature& y = features[b];
        return std::tie(x.record, x.start, x.end, x.line) < std::tie(y.record, y.start, y.end, y.line);
    });
    return order;
}

} // namespace

std::vector<FeatureGallery> PlanFeatureGalleries(const FeatureGalleryRequest& request)
{
    const std::vector<std::string>& types = request.features.types;
    std::vector<FeatureGallery> galleries(request.byType ? types.size() : 1);
    UniqueNames folders;
    folders.Reserve(kPageName);
    for (std::size_t t = 0; t < galleries.size(); ++t) {
        FeatureGallery& gallery = galleries[t];
        gallery.type = static_cast<std::uint32_t>(t);
        if (request.byType)
            gallery.folder = folders.Take(SafeFileName(types[t]));
        gallery.dir = gallery.folder.empty() ? request.out : request.out / gallery.folder;
    }
    std::vector<UniqueNames> names(galleries.size());
    const std::string extension = std::string(1, '.').append(PictureFormatName(request.format));
    for (const std::size_t i : SequenceOrder(request.features.features)) {
        const Feature& feature = request.features.features[i];
        const std::size_t g = request.byType ? feature.type : 0;
        const std::string stem = feature.name.empty() ? PlaceName(request, feature) : std::string(feature.name);
        galleries[g].pictures.push_back({i, names[g].Take(SafeFileName(stem)) + extension});
    }
    return galleries;
}

void FeatureLetters(const Feature& feature, bool ignoreStrand, std::string& letters)
{
    if (!feature.blocks.empty()) {
        std::string exons;
        for (const FeatureBlock& block : feature.blocks)
            exons.append(letters, block.start, block.size);
        letters = std::move(exons);
    }
    if (DrawnMinus(feature, ignoreStrand))
        ReverseComplement(letters);
}

namespace {

// The letters of features taken in ascending order of their first token, from one read
// of the sequence: a window from the current feature's first token to the furthest
// token read, so that overlapping features share one read and memory holds only the
// stretch they span.
class FeatureWindow {
public:
    explicit FeatureWindow(TokenReader& reader) : m_reader(reader) {}

    // Tokens [first, last), 0-based; false when the sequence ended before `last`.
    bool Take(std::uint64_t first, std::uint64_t last, std::string& letters)
    {
        if (first >= m_reader.Consumed()) {
            m_window.clear();
            m_reader.Skip(first - m_reader.Consumed());
            m_windowStart = m_reader.Consumed();
            if (m_windowStart != first)
                return false;
        } else if (first - m_windowStart > m_window.size() / 2) {
            // Dropped in halves: each token is moved a bounded number of times.
            m_window.erase(0, static_cast<std::size_t>(first - m_windowStart));
            m_windowStart = first;
        }
        if (last > m_reader.Consumed())
            m_reader.Read(last - m_reader.Consumed(), m_window);
        if (m_reader.Consumed() < last)
            return false;
        letters.assign(m_window, static_cast<std::size_t>(first - m_windowStart),
                       static_cast<std::size_t>(last - first));
        return true;
    }

private:
    TokenReader& m_reader;
    std::string m_window;
    std::uint64_t m_windowStart = 0; // the token m_window[0] is
};

std::string FeatureFileLine(const FeatureGalleryRequest& request, const FeatureGallery& gallery)
{
    std::string line = "Feature file: " + request.featureFile;
    const std::vector<std::string>& types = request.features.types;
    if (request.byType)
        line += ", type " + types[gallery.type];
    else if (types.size() > 1 || (types.size() == 1 && !types.front().empty()))
        line += types.size() == 1 ? ", type " + types.front() : ", all types";
    return line;
}

std::vector<std::unique_ptr<GalleryPage>> OpenPages(const AppSettings& settings, const FeatureGalleryRequest& request,
                                                    std::vector<FeatureGallery>& galleries)
{
    std::vector<std::unique_ptr<GalleryPage>> pages;
    for (FeatureGallery& gallery : galleries) {
        std::error_code ec;
        const std::filesystem::path absolute = std::filesystem::absolute(gallery.dir, ec);
        gallery.pagePath = ((ec ? gallery.dir : absolute) / kPageName).lexically_normal();
        pages.push_back(std::make_unique<GalleryPage>(
            gallery.dir / kPageName, settings.sequenceFile,
            std::vector<std::string>{FeatureFileLine(request, gallery),
                                     "Number of features: " + std::to_string(gallery.pictures.size())}));
    }
    return pages;
}

// Every planned picture as (gallery, picture) in sequence order.
std::vector<std::pair<std::size_t, std::size_t>> DrawingOrder(const FeatureGalleryRequest& request,
                                                              const std::vector<FeatureGallery>& galleries)
{
    std::vector<std::pair<std::size_t, std::size_t>> order;
    for (std::size_t g = 0; g < galleries.size(); ++g)
        for (std::size_t p = 0; p < galleries[g].pictures.size(); ++p)
            order.emplace_back(g, p);
    const FeatureList& features = request.features.features;
    const auto key = [&](const std::pair<std::size_t, std::size_t>& at) {
        const Feature& f = features[galleries[at.first].pictures[at.second].feature];
        return std::tie(f.record, f.start, f.end, f.line);
    };
    std::sort(order.begin(), order.end(), [&](const auto& a, const auto& b) { return key(a) < key(b); });
    return order;
}

std::string SvgTitle(const AppSettings& settings, const FeatureGalleryRequest& request, const Feature& feature)
{
    std::string title = "Sequence file: " + settings.sequenceFile + ", ";
    if (!feature.name.empty())
        title.append(feature.name).append(", ");
    title.append(RecordName(request.records[feature.record])).append(1, ':');
    title.append(std::to_string(feature.start + 1)).append(1, '-').append(std::to_string(feature.end));
    if (DrawnMinus(feature, request.ignoreStrand))
        title += ", minus strand";
    return title;
}

// The overview of a run by type: each type's gallery with its count of features.
IoStatus WriteTypesPage(const std::filesystem::path& file, const AppSettings& settings,
                        const FeatureGalleryRequest& request, const std::vector<FeatureGallery>& galleries)
{
    OutputFile page(file);
    page.Write("<html><body><br>Sequence file: " + HtmlEscape(settings.sequenceFile) + "<br>\r\n");
    page.Write("Feature file: " + HtmlEscape(request.featureFile) + "<br>\r\n");
    page.Write("<table>\r\n");
    for (const FeatureGallery& gallery : galleries) {
        const std::size_t n = gallery.pictures.size();
        page.Write("<tr><td><a href=\"" + gallery.folder + "/index.htm\">" +
                   HtmlEscape(request.features.types[gallery.type]) + "</a></td><td>" + std::to_string(n) +
                   (n == 1 ? " feature" : " features") + "</td></tr>\r\n");
    }
    page.Write("</table></body></html>");
    return page.Close();
}

} // namespace

namespace {

// One read of the sequence handing every planned picture to the writer in order.
class FeaturePass {
public:
    FeaturePass(const AppSettings& settings, const FeatureGalleryRequest& request, FeatureRunReport& report)
        : m_settings(settings), m_request(request), m_report(report),
          m_writer(settings.Style(), true, 0, request.svgResolution)
    {
    }

    // False when the stop request ended it; the sequence's fault, if any, is in the report.
    bool Run(TokenReader& reader, std::vector<std::unique_ptr<GalleryPage>>& pages, const PictureProgress& progress,
             const StopRequest& stop)
    {
        FeatureWindow window(reader);
        std::vector<FeatureGallery>& galleries = m_report.galleries;
        const auto order = DrawingOrder(m_request, galleries);
        const int count = static_cast<int>(order.size());
        for (const auto& [g, p] : order) {
            if (stop && stop())
                return false;
            const FeaturePicture& picture = galleries[g].pictures[p];
            const Feature& feature = m_request.features.features[picture.feature];
            const std::uint64_t before = m_request.records[feature.record].tokensBefore;
            PictureJob job{
                galleries[g].dir / picture.file, {}, nullptr, 0, &galleries[g].unwritten, m_request.format, {}};
            if (!window.Take(before + feature.start, before + feature.end, job.stretch)) {
                m_report.sequence =
                    reader.Failed()
                        ? reader.Status()
                        : IoStatus(IoError::Content(m_settings.sequenceFile, 0, "ended before the features' bases"));
                return true;
            }
            FeatureLetters(feature, m_request.ignoreStrand, job.stretch);
            job.length = job.stretch.size();
            galleries[g].bases += job.length;
            if (m_request.format == PictureFormat::Svg)
                job.title = SvgTitle(m_settings, m_request, feature);
            pages[g]->AddCell(picture.file, std::string_view(picture.file).substr(0, picture.file.rfind('.')));
            m_writer.Add(std::move(job));
            ++galleries[g].drawn;
            if (progress)
                progress(++m_report.pictures, count);
        }
        return true;
    }

    // Returns once every picture handed over is saved or given up.
    void Finish() { m_writer.Finish(); }

private:
    const AppSettings& m_settings;
    const FeatureGalleryRequest& m_request;
    FeatureRunReport& m_report;
    PictureWriter m_writer;
};

} // namespace

FeatureRunReport DrawFeatureGalleries(const AppSettings& settings, const FeatureGalleryRequest& request,
                                      std::vector<FeatureGallery> galleries, const PictureProgress& progress,
                                      const StopRequest& stop)
{
    FeatureRunReport report;
    report.galleries = std::move(galleries);
    TokenReader reader;
    // Nothing is written for a sequence that cannot be opened.
    if (IoStatus opened = reader.Open(settings.sequenceFile, SourceOptions{kBatchDecompressThreads}); !opened) {
        report.sequence = std::move(opened);
        return report;
    }
    auto pages = OpenPages(settings, request, report.galleries);
    FeaturePass pass(settings, request, report);
    const bool finished = pass.Run(reader, pages, progress, stop);
    pass.Finish();
    if (!finished) {
        // A stopped run leaves the earlier pages, or none, never a partial one.
        report.stopped = true;
        for (auto& page : pages)
            page->Discard();
        return report;
    }
    for (std::size_t g = 0; g < pages.size(); ++g) {
        report.galleries[g].page = pages[g]->Close();
        report.galleries[g].list = WriteFeatureList(request, report.galleries[g]);
    }
    if (request.byType) {
        std::error_code ec;
        const std::filesystem::path absolute = std::filesystem::absolute(request.out, ec);
        report.overviewPath = ((ec ? request.out : absolute) / kPageName).lexically_normal();
        report.overview = WriteTypesPage(request.out / kPageName, settings, request, report.galleries);
    }
    return report;
}

namespace {

// A table cell holds no tab or line break of a name.
std::string Cell(std::string_view text)
{
    std::string cell(text);
    std::replace_if(
        cell.begin(), cell.end(), [](char c) { return c == '\t' || c == '\n' || c == '\r'; }, ' ');
    return cell;
}

std::string Folder(const FeatureGallery& gallery)
{
    return gallery.folder.empty() ? std::string() : gallery.folder + "/";
}

} // namespace

namespace {

constexpr std::string_view kTableHeader = "picture\trecord\tstart\tend\tname\tstrand\ttype\n";

// The rows of a gallery's saved pictures, `folder` before each file name.
void AppendRows(std::string& table, const FeatureGalleryRequest& request, const FeatureGallery& gallery,
                std::string_view folder)
{
    std::vector<std::string> unwritten;
    for (const IoError& error : gallery.unwritten)
        unwritten.push_back(error.file.filename().string());
    std::sort(unwritten.begin(), unwritten.end());
    for (std::size_t p = 0; p < gallery.drawn; ++p) {
        const FeaturePicture& picture = gallery.pictures[p];
        if (std::binary_search(unwritten.begin(), unwritten.end(), picture.file))
            continue;
        const Feature& f = request.features.features[picture.feature];
        table.append(folder).append(picture.file).append(1, '\t');
        table.append(RecordName(request.records[f.record])).append(1, '\t');
        table.append(std::to_string(f.start + 1)).append(1, '\t').append(std::to_string(f.end)).append(1, '\t');
        table.append(Cell(f.name)).append(1, '\t').append(1, f.strand).append(1, '\t');
        table.append(Cell(request.features.types[f.type])).append(1, '\n');
    }
}

} // namespace

std::string FeatureTable(const FeatureGalleryRequest& request, const FeatureRunReport& report)
{
    std::string table(kTableHeader);
    for (const FeatureGallery& gallery : report.galleries)
        AppendRows(table, request, gallery, Folder(gallery));
    return table;
}

IoStatus WriteFeatureList(const FeatureGalleryRequest& request, const FeatureGallery& gallery)
{
    std::string table(kTableHeader);
    AppendRows(table, request, gallery, {});
    OutputFile list(gallery.dir / kFeatureListName);
    list.Write(table);
    return list.Close();
}

std::string FeatureSummary(const FeatureGalleryRequest& request, const FeatureRunReport& report)
{
    std::string summary = "type\tfeatures\tpictures\tbases\tpage\n";
    for (const FeatureGallery& gallery : report.galleries) {
        const std::string type = request.byType ? request.features.types[gallery.type] : std::string();
        summary.append(Cell(type)).append(1, '\t').append(std::to_string(gallery.pictures.size())).append(1, '\t');
        summary.append(std::to_string(gallery.drawn)).append(1, '\t').append(std::to_string(gallery.bases));
        summary.append(1, '\t').append(Folder(gallery)).append("index.htm\n");
    }
    return summary;
}

} // namespace lirovane
