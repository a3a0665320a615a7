#pragma once

#include "core/render/color.h"
#include "core/viewer/strandscope_model.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lirovane {

// `--view FILE [--start N] [--zoom Z] [--orientation 1|2|3] [--colors L,U,D,R] --save PICTURE`
struct ViewOptions {
    std::string file;
    std::string save;
    std::int32_t start = 0;
    int zoom = 1;
    int orientation = 1;
    SlotColors colors = kDefaultColors;
};

inline constexpr int kMaxViewZoom = 1000000;

// A colour as #RRGGBB, 0xBBGGRR or a plain name (red, green, blue, cyan, magenta,
// yellow, black, white, grey).
std::optional<Color> ParseViewColor(std::string_view text);

// Reads the arguments (program name excluded; "--opt value" or "--opt=value").
// Returns the error text, or nothing when `options` is complete.
std::optional<std::string> ParseViewOptions(const std::vector<std::string_view>& args, ViewOptions& options);

struct ViewResult {
    bool readable = false;     // the sequence file could be opened
    bool lettersFound = false; // letters were kept at the start
    bool saved = false;        // the picture was written
    std::string startText;     // the viewer's two boxes
    std::string endText;
};

// What the viewer shows for the options in a fresh opening, saved as the picture.
ViewResult RenderViewPicture(const ViewOptions& options);

} // namespace lirovane
