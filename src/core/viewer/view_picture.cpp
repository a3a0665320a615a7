#include "core/viewer/view_picture.h"

#include "core/files/input_file.h"
#include "core/sequence/genome_coordinates.h"
#include "core/sequence/token_offset_index.h"
#include "core/viewer/strandscope_model.h"

namespace lirovane {

ViewResult RenderViewPicture(const ViewOptions& options)
{
    ViewResult result;
    result.readable = CheckReadableFile(options.file).ok();
    if (!result.readable)
        return result;
    // A fresh viewer with these orientation, colours and zoom, shown from the start index.
    std::int64_t start = options.start;
    auto& index = TokenOffsetIndex::Global();
    if (!options.region.empty()) {
        const auto records = index.Records(options.file);
        if (!records) {
            result.error = records.Message();
            return result;
        }
        const auto target = ParseRegion(options.region, *records, &result.error);
        if (!target) {
            result.badRegion = true;
            return result;
        }
        start = target->startIndex;
    }
    StrandscopeModel viewer;
    viewer.ApplyColorSettings(options.orientation, options.colors);
    viewer.SetZoom(options.zoom);
    viewer.SetLevel(options.level);
    viewer.SetMinusStrand(options.minusStrand);
    viewer.LoadAt(options.file, start);
    if (options.fit)
        viewer.FitRecord();
    result.lettersFound = viewer.LastLoadFound();
    result.error = viewer.LastLoadStatus().Message();
    if (!result.error.empty())
        return result;
    result.saved = viewer.SaveImage(options.save, options.format).ok();
    result.startText = viewer.StartText();
    result.endText = viewer.EndText();
    result.notice = index.IndexNotice(options.file);
    if (!options.region.empty()) {
        if (const auto records = index.Records(options.file))
            result.region = DescribeRange(*records, static_cast<std::uint64_t>(viewer.StartIndex()) + 1,
                                          static_cast<std::uint64_t>(viewer.EndIndex()));
    }
    return result;
}

} // namespace lirovane
