#pragma once

#include "core/files/io_error.h"

#include <filesystem>

namespace lirovane {

class Canvas;

// Saves the rectangle (0, 0)..(width, height) of a canvas as a PNG file: 8-bit RGB
// without alpha, lossless, so it decodes to exactly the pixels SaveImage writes as BMP.
// Succeeds only when the file was written completely; a failed write leaves no
// file that passes for a picture.
IoStatus SavePng(const std::filesystem::path& file, const Canvas& source, int width, int height);

} // namespace lirovane
