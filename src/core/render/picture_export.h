#pragma once

#include "core/files/io_error.h"
#include "core/render/picture_format.h"

#include <filesystem>
#include <string_view>

namespace lirovane {

class LetterSource;
class RasterCanvas;
struct PathExtent;
struct PathStyle;

// Saves the picture of one stretch (measured by MeasurePath as `extent`) in a format.
// BMP and PNG hold the pixels DrawPath draws on `scratch`, which is resized to the
// picture; SVG draws the same walk as vectors on a canvas of the same size, keeping
// every step of a scaled-down picture in its viewBox (or only the picture's pixels, by
// `svg`), with `title` as its title.
// Succeeds only when the file was written completely; a source that failed while it
// was drawn writes nothing, so the earlier file, if any, stays.
IoStatus SavePathPicture(const std::filesystem::path& file, PictureFormat format, LetterSource& letters,
                         const PathExtent& extent, const PathStyle& style, RasterCanvas& scratch,
                         std::string_view title, SvgResolution svg = SvgResolution::Step);
IoStatus SavePathPicture(const std::filesystem::path& file, PictureFormat format, std::string_view stretch,
                         const PathExtent& extent, const PathStyle& style, RasterCanvas& scratch,
                         std::string_view title, SvgResolution svg = SvgResolution::Step);

} // namespace lirovane
