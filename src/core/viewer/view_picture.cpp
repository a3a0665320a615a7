#include "core/viewer/view_picture.h"

#include "core/files/input_file.h"
#include "core/sequence/genome_coordinates.h"
#include "core/viewer/strandscope_model.h"

namespace lirovane {

namespace {

void AddNote(std::string& notes, const std::string& note)
{
    if (!note.empty())
        notes.append(note).push_back('\n');
}

} // namespace

IoResult<ViewShown> RenderViewPicture(const ViewOptions& options)
{
    if (IoStatus readable = CheckReadableFile(options.file); !readable)
        return readable.error();
    // A fresh viewer with these orientation, colours, zoom and level, shown from the start index.
    StrandscopeModel viewer;
    viewer.ApplyColorSettings(options.orientation, options.colors);
    viewer.SetZoom(options.zoom);
    ViewShown shown;
    std::int64_t start = options.start;
    if (!options.region.empty()) {
        viewer.LoadAt(options.file, 0); // the records are read against the loaded file
        const IoResult<RegionTarget> target = viewer.GoTo(options.region);
        if (!target)
            return target.error();
        start = target->startIndex;
        AddNote(shown.notes, target->note);
    }
    viewer.SetLevel(options.level);
    viewer.SetMinusStrand(options.minusStrand);
    if (const IoStatus& loaded = viewer.LoadAt(options.file, start); !loaded)
        return loaded.error();
    if (options.fit)
        viewer.FitRecord();
    shown.lettersFound = viewer.LastLoadFound();
    if (const IoStatus& read = viewer.LastLoadStatus(); !read)
        return read.error();
    if (IoStatus saved = viewer.SaveImage(options.save, options.format); !saved)
        return saved.error();
    shown.startText = viewer.StartText();
    shown.endText = viewer.EndText();
    const ViewerFacts facts = viewer.Facts();
    AddNote(shown.notes, facts.indexNotice);
    if (!options.region.empty())
        shown.region = facts.range;
    return shown;
}

} // namespace lirovane
