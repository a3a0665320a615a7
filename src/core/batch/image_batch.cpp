#include "core/batch/image_batch.h"

#include "core/batch/gallery_pass.h"
#include "core/render/canvas.h"
#include "core/settings/app_settings.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <system_error>

namespace lirovane {

int ProgressBarRight(int pictures, int count)
{
    const std::int64_t percent = count > 0 ? std::int64_t{100} * pictures / count : std::int64_t{100};
    const std::int64_t right = 102 + 3 * percent;
    return static_cast<int>(std::min<std::int64_t>(right, std::numeric_limits<int>::max() / 2));
}

void ShowWaitDisplay(BatchDisplay& display)
{
    Canvas& surface = display.Surface();
    surface.FillRect(0, 0, surface.Width(), surface.Height(), StockBrush::White);
    surface.TextOut(100, 100, "Please wait while creating images...");
    surface.Rectangle(100, 130, 400, 160);
    display.Present();
}

void ShowProgress(BatchDisplay& display, int pictures, int count)
{
    display.Surface().FillRect(102, 132, ProgressBarRight(pictures, count), 158, StockBrush::Black);
    display.Progress(pictures, count);
    display.Present();
}

std::vector<BatchResult> DrawOnDisplay(const AppSettings& settings, BatchDisplay& display,
                                       const std::vector<GallerySelection>& galleries, PassOptions options)
{
    ShowWaitDisplay(display);
    options.progress = [&](int pictures, int count) { ShowProgress(display, pictures, count); };
    options.stop = [&] { return display.StopRequested(); };
    return DrawGalleries(settings, galleries, options);
}

BatchResult CreateImages(const AppSettings& settings, BatchDisplay& display, const std::filesystem::path& dir,
                         PictureFormat format)
{
    std::filesystem::path outDir = dir;
    if (outDir.empty()) {
        std::error_code ec;
        outDir = std::filesystem::current_path(ec);
        if (ec)
            outDir = ".";
    }
    const GallerySelection gallery{outDir, settings.sizeOfRepeats, settings.numberOfRepeatsInThisSet, format};
    BatchResult result = DrawOnDisplay(settings, display, {gallery}, {}).front();
    if (result.stopped)
        return result;
    result.url = FileUrl(result.page);
    display.Navigate(result.url);
    return result;
}

const IoError* BatchResult::Error(RunItem item) const
{
    const auto found = std::find_if(errors.begin(), errors.end(), [&](const RunError& e) { return e.item == item; });
    return found == errors.end() ? nullptr : &found->error;
}

int BatchResult::Count(RunItem item) const
{
    return static_cast<int>(
        std::count_if(errors.begin(), errors.end(), [&](const RunError& e) { return e.item == item; }));
}

std::string PictureFileName(std::int64_t number, PictureFormat format)
{
    std::string name = std::to_string(number);
    name += '.';
    name += PictureFormatName(format);
    return name;
}

bool IsGalleryPictureName(std::string_view name, PictureFormat format)
{
    const std::string_view extension = PictureFormatName(format);
    if (name.size() < extension.size() + 2 || !name.ends_with(extension) ||
        name[name.size() - extension.size() - 1] != '.')
        return false;
    name.remove_suffix(extension.size() + 1);
    if (name.starts_with('-'))
        name.remove_prefix(1);
    return !name.empty() && std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string SizeFolderName(int size)
{
    return "size-" + std::to_string(size);
}

std::string HtmlEscape(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c; break;
        }
    }
    return out;
}

std::string FileUrl(const std::filesystem::path& absolutePath)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    const std::string& native = absolutePath.native();
    std::string url = "file://";
    url.reserve(url.size() + native.size());
    for (const char ch : native) {
        const auto c = static_cast<unsigned char>(ch);
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                           std::string_view("-._~!$&'()*+,;=:@/").find(ch) != std::string_view::npos;
        if (plain) {
            url += ch;
        } else {
            url += '%';
            url += kHex[c >> 4];
            url += kHex[c & 0x0F];
        }
    }
    return url;
}

} // namespace lirovane
