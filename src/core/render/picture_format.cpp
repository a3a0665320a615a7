#include "core/render/picture_format.h"

#include <array>
#include <string>

namespace lirovane {

namespace {

constexpr std::array<PictureFormat, 3> kFormats{PictureFormat::Bmp, PictureFormat::Png, PictureFormat::Svg};

bool EqualIgnoringCase(std::string_view a, std::string_view b) noexcept
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const char c = a[i] >= 'A' && a[i] <= 'Z' ? static_cast<char>(a[i] - 'A' + 'a') : a[i];
        if (c != b[i])
            return false;
    }
    return true;
}

} // namespace

std::optional<PictureFormat> PictureFormatNamed(std::string_view name)
{
    for (const PictureFormat format : kFormats)
        if (EqualIgnoringCase(name, PictureFormatName(format)))
            return format;
    return std::nullopt;
}

std::optional<PictureFormat> PictureFormatOfFile(const std::filesystem::path& file)
{
    const std::string extension = file.extension().string();
    if (extension.size() < 2)
        return std::nullopt;
    return PictureFormatNamed(std::string_view(extension).substr(1));
}

std::string_view PictureFormatName(PictureFormat format) noexcept
{
    switch (format) {
    case PictureFormat::Png: return "png";
    case PictureFormat::Svg: return "svg";
    case PictureFormat::Bmp: break;
    }
    return "bmp";
}

bool IsPictureFileName(const std::filesystem::path& file)
{
    const std::string name = file.filename().string();
    return !name.empty() && name.find_first_of("*?") == std::string::npos;
}

IoError BadPictureName(const std::filesystem::path& file)
{
    return IoError::Content(file, 0, "is not a name a picture can be saved under");
}

IoError UnsavablePicture(const std::filesystem::path& file, int width, int height)
{
    return IoError::Content(
        file, 0, "a picture of " + std::to_string(width) + " x " + std::to_string(height) + " pixels cannot be saved");
}

IoStatus CheckPictureRequest(const std::filesystem::path& file, int width, int height)
{
    if (!IsPictureFileName(file))
        return BadPictureName(file);
    if (width <= 0 || height <= 0)
        return UnsavablePicture(file, width, height);
    return {};
}

} // namespace lirovane
