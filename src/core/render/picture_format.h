#pragma once

#include "core/files/io_error.h"

#include <filesystem>
#include <optional>
#include <string_view>

namespace lirovane {

// The file formats a picture can be saved in. BMP is the gallery's own; PNG holds the
// same pixels compressed; SVG draws the same walk as vectors.
enum class PictureFormat { Bmp, Png, Svg };

// How an SVG picture of a walk drawn scaled down keeps it: every step, in a frame as
// many times finer as the picture is scaled (the default), or one path point per pixel
// the pen moves, as the BMP and PNG pictures have it (a file no larger than the picture).
enum class SvgResolution { Step, Picture };

// For messages that list what is accepted.
inline constexpr std::string_view kPictureFormatNames = "bmp, png or svg";
inline constexpr std::string_view kPictureExtensions = ".bmp, .png or .svg";

// "bmp", "png" or "svg", in any case; nothing for any other name.
std::optional<PictureFormat> PictureFormatNamed(std::string_view name);
// The format a file name's extension names (".png", any case); nothing when it names none.
std::optional<PictureFormat> PictureFormatOfFile(const std::filesystem::path& file);
// The lower-case name, also the extension without its dot: "bmp", "png", "svg".
std::string_view PictureFormatName(PictureFormat format) noexcept;

// A name that holds a wildcard ("*.bmp", the name the viewer's chooser starts with)
// is not a file name the user meant; pictures are not saved under one.
bool IsPictureFileName(const std::filesystem::path& file);
// The error of a picture that cannot be saved under `file`'s name.
IoError BadPictureName(const std::filesystem::path& file);
// The error of a picture whose pixels cannot be saved (no size, too large, unreadable).
IoError UnsavablePicture(const std::filesystem::path& file, int width, int height);
// What every picture writer checks before it reads a pixel: a name a picture can be
// saved under, and a size of at least one pixel each way.
IoStatus CheckPictureRequest(const std::filesystem::path& file, int width, int height);

} // namespace lirovane
