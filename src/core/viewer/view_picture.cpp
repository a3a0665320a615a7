#include "core/viewer/view_picture.h"

#include "core/io/input_file.h"
#include "core/viewer/strandscope_model.h"

namespace lirovane {

ViewResult RenderViewPicture(const ViewOptions& options)
{
    ViewResult result;
    result.readable = CheckReadableFile(options.file).ok();
    if (!result.readable)
        return result;
    // A fresh viewer with these orientation, colours and zoom, shown from the start index.
    StrandscopeModel viewer;
    viewer.ApplyColorSettings(options.orientation, options.colors);
    viewer.SetZoom(options.zoom);
    viewer.LoadAt(options.file, options.start);
    result.lettersFound = viewer.LastLoadFound();
    result.error = viewer.LastLoadError();
    if (!result.error.empty())
        return result;
    result.saved = viewer.SaveImage(options.save, options.format);
    result.startText = viewer.StartText();
    result.endText = viewer.EndText();
    return result;
}

} // namespace lirovane
