#include "core/viewer/view_options.h"

#include <charconv>
#include <filesystem>
#include <fstream>

namespace lirovane {

namespace {

template <typename Int>
std::optional<Int> ParseInt(std::string_view text, int base = 10)
{
    Int value{};
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value, base);
    if (text.empty() || ec != std::errc() || ptr != end)
        return std::nullopt;
    return value;
}

} // namespace

std::optional<Color> ParseViewColor(std::string_view text)
{
    struct Named {
        std::string_view name;
        Color color;
    };
    static constexpr Named kNames[] = {
        {"red", 0x000000FF},   {"green", 0x0000FF00}, {"blue", 0x00FF0000},  {"cyan", 0x00FFFF00},
        {"magenta", 0x00FF00FF}, {"yellow", 0x0000FFFF}, {"black", 0x00000000}, {"white", 0x00FFFFFF},
        {"grey", 0x00808080},  {"gray", 0x00808080},
    };
    for (const Named& n : kNames)
        if (text == n.name)
            return n.color;
    if (text.size() == 7 && text[0] == '#') {
        // Web order, red first.
        const auto rgb = ParseInt<std::uint32_t>(text.substr(1), 16);
        if (!rgb)
            return std::nullopt;
        return lirovane::MakeColor(static_cast<std::uint8_t>(*rgb >> 16), static_cast<std::uint8_t>(*rgb >> 8),
                                   static_cast<std::uint8_t>(*rgb));
    }
    if (text.size() > 2 && text.size() <= 10 && (text.substr(0, 2) == "0x" || text.substr(0, 2) == "0X")) {
        // The stored form 0x00BBGGRR.
        const auto value = ParseInt<std::uint32_t>(text.substr(2), 16);
        if (!value || *value > 0x00FFFFFFu)
            return std::nullopt;
        return *value;
    }
    return std::nullopt;
}

namespace {

std::optional<std::array<Color, 4>> ParseColors(std::string_view text)
{
    std::array<Color, 4> colors{};
    for (std::size_t i = 0; i < colors.size(); ++i) {
        const std::size_t comma = text.find(',');
        if ((i < 3) != (comma != std::string_view::npos))
            return std::nullopt;
        const auto color = ParseViewColor(text.substr(0, comma));
        if (!color)
            return std::nullopt;
        colors[i] = *color;
        text = comma == std::string_view::npos ? std::string_view{} : text.substr(comma + 1);
    }
    return colors;
}

} // namespace

std::optional<std::string> ParseViewOptions(const std::vector<std::string_view>& args, ViewOptions& options)
{
    bool haveFile = false;
    bool haveSave = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string_view arg = args[i];
        std::string_view value;
        bool inlineValue = false;
        if (const std::size_t eq = arg.find('='); arg.substr(0, 2) == "--" && eq != std::string_view::npos) {
            value = arg.substr(eq + 1);
            arg = arg.substr(0, eq);
            inlineValue = true;
        }
        const bool known = arg == "--view" || arg == "--start" || arg == "--zoom" || arg == "--orientation" ||
                           arg == "--colors" || arg == "--save";
        if (!known)
            return "unknown argument '" + std::string(arg) + "'";
        if (!inlineValue) {
            if (i + 1 >= args.size())
                return std::string(arg) + " needs a value";
            value = args[++i];
        }
        if (arg == "--view") {
            options.file = value;
            haveFile = !value.empty();
        } else if (arg == "--save") {
            options.save = value;
            haveSave = !value.empty();
        } else if (arg == "--start") {
            const auto n = ParseInt<std::int32_t>(value);
            if (!n || *n < 0)
                return "--start takes a token count of 0 or more, not '" + std::string(value) + "'";
            options.start = *n;
        } else if (arg == "--zoom") {
            const auto z = ParseInt<int>(value);
            if (!z || *z < 1 || *z > kMaxViewZoom)
                return "--zoom takes a whole number from 1 to " + std::to_string(kMaxViewZoom) + ", not '" +
                       std::string(value) + "'";
            options.zoom = *z;
        } else if (arg == "--orientation") {
            const auto o = ParseInt<int>(value);
            if (!o || *o < 1 || *o > 3)
                return "--orientation takes 1, 2 or 3, not '" + std::string(value) + "'";
            options.orientation = *o;
        } else {
            const auto colors = ParseColors(value);
            if (!colors)
                return "--colors takes four colours LEFT,UP,DOWN,RIGHT, not '" + std::string(value) + "'";
            options.colors = *colors;
        }
    }
    if (!haveFile)
        return std::string("--view needs a sequence file");
    if (!haveSave)
        return std::string("--save needs a picture file name");
    return std::nullopt;
}

ViewResult RenderViewPicture(const ViewOptions& options)
{
    ViewResult result;
    // A folder opens as a stream on Linux but holds no letters to read.
    std::error_code error;
    result.readable = !std::filesystem::is_directory(options.file, error) &&
                      static_cast<bool>(std::ifstream(options.file, std::ios::binary));
    if (!result.readable)
        return result;
    // A fresh viewer with these orientation, colours and zoom, shown from the start index.
    StrandscopeModel viewer;
    viewer.ApplyColorSettings(options.orientation, options.colors);
    viewer.SetZoom(options.zoom);
    viewer.LoadAt(options.file, options.start);
    result.lettersFound = viewer.LastLoadFound();
    result.saved = viewer.SaveImage(options.save);
    result.startText = viewer.StartText();
    result.endText = viewer.EndText();
    return result;
}

} // namespace lirovane
