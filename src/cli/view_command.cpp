#include "view_command.h"

#include "viewer/strandscope_model.h"

#include <array>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>

namespace {

using lirovane::Color;

constexpr const char* kUsage =
    "usage: lirovane-batch --view FILE [--start N] [--zoom Z] [--orientation 1|2|3]\n"
    "                      [--colors LEFT,UP,DOWN,RIGHT] --save PICTURE.bmp\n"
    "  Draws FILE as the Strandscope viewer does, from token N (default 0) at zoom Z\n"
    "  (default 1), on a 650 x 380 picture, saves it as a BMP file and prints\n"
    "  \"start N end M\". Colours are #RRGGBB, 0xBBGGRR or one of red, green, blue,\n"
    "  cyan, magenta, yellow, black, white, grey; the default is red,blue,cyan,green.\n";

constexpr int kMaxZoom = 1000000;

struct ViewOptions {
    std::string file;
    std::string save;
    std::int32_t start = 0;
    int zoom = 1;
    int orientation = 1;
    std::array<Color, 4> colors{lirovane::kViewerLeftColor, lirovane::kViewerUpColor, lirovane::kViewerDownColor,
                                lirovane::kViewerRightColor};
};

int Fail(const std::string& message)
{
    std::fprintf(stderr, "lirovane-batch: %s\n", message.c_str());
    return 2;
}

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

std::optional<Color> ParseColor(std::string_view text)
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

std::optional<std::array<Color, 4>> ParseColors(std::string_view text)
{
    std::array<Color, 4> colors{};
    for (std::size_t i = 0; i < colors.size(); ++i) {
        const std::size_t comma = text.find(',');
        if ((i < 3) != (comma != std::string_view::npos))
            return std::nullopt;
        const auto color = ParseColor(text.substr(0, comma));
        if (!color)
            return std::nullopt;
        colors[i] = *color;
        text = comma == std::string_view::npos ? std::string_view{} : text.substr(comma + 1);
    }
    return colors;
}

// Fills `options` from the arguments after the program name; an error text on failure.
std::optional<std::string> ParseArguments(int argc, char** argv, ViewOptions& options)
{
    bool haveFile = false;
    bool haveSave = false;
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
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
            if (i + 1 >= argc)
                return std::string(arg) + " needs a value";
            value = argv[++i];
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
            if (!z || *z < 1 || *z > kMaxZoom)
                return "--zoom takes a whole number from 1 to " + std::to_string(kMaxZoom) + ", not '" +
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

} // namespace

int RunViewCommand(int argc, char** argv)
{
    ViewOptions options;
    if (const auto error = ParseArguments(argc, argv, options)) {
        Fail(*error);
        std::fputs(kUsage, stderr);
        return 2;
    }
    if (!std::ifstream(options.file, std::ios::binary))
        return Fail("cannot read the sequence file '" + options.file + "'");

    // A fresh viewer: its orientation, colours and zoom, then the file from the start.
    lirovane::StrandscopeModel viewer;
    viewer.ApplyColorSettings(options.orientation, options.colors);
    viewer.SetZoom(options.zoom);
    viewer.LoadAt(options.file, options.start);
    if (!viewer.LastLoadFound())
        std::fprintf(stderr, "lirovane-batch: no letters after token %d of '%s'; the picture is white\n",
                     static_cast<int>(options.start), options.file.c_str());
    if (!viewer.SaveImage(options.save)) {
        std::fprintf(stderr, "lirovane-batch: cannot write the picture '%s'\n", options.save.c_str());
        return 1;
    }
    std::printf("start %s end %s\n", viewer.StartText().c_str(), viewer.EndText().c_str());
    return 0;
}
