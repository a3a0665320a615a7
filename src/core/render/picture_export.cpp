#include "core/render/picture_export.h"

#include "core/render/bmp_export.h"
#include "core/render/letter_source.h"
#include "core/render/path_renderer.h"
#include "core/render/png_export.h"
#include "core/render/raster_canvas.h"
#include "core/render/svg_canvas.h"

#include <optional>

namespace lirovane {

IoStatus SavePathPicture(const std::filesystem::path& file, PictureFormat format, std::string_view stretch,
                         const PathExtent& extent, const PathStyle& style, RasterCanvas& scratch,
                         std::string_view title, SvgResolution svg)
{
    StringLetters letters(stretch);
    return SavePathPicture(file, format, letters, extent, style, scratch, title, svg);
}

IoStatus SavePathPicture(const std::filesystem::path& file, PictureFormat format, LetterSource& letters,
                         const PathExtent& extent, const PathStyle& style, RasterCanvas& scratch,
                         std::string_view title, SvgResolution svg)
{
    const auto unread = [&] {
        return IoError::Plain(file.string() + ": not written, its stretch cannot be read again from the sequence: " +
                              letters.Status().error().Message());
    };
    if (format == PictureFormat::Svg) {
        // A frame too fine for int coordinates keeps the picture's own pixels instead.
        const std::optional<PathExtent> steps = svg == SvgResolution::Step ? StepExtent(extent) : std::nullopt;
        SvgCanvas drawing(extent.width, extent.height, steps ? extent.scale : 1);
        DrawPath(letters, steps ? *steps : extent, style, drawing);
        if (letters.Failed())
            return unread();
        return drawing.Save(file, title);
    }
    scratch.Resize(extent.width, extent.height);
    DrawPath(letters, extent, style, scratch);
    if (letters.Failed())
        return unread();
    if (format == PictureFormat::Png)
        return SavePng(file, scratch, extent.width, extent.height);
    return SaveImage(file, scratch, extent.width, extent.height);
}

} // namespace lirovane
