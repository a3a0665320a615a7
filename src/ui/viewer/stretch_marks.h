#pragma once

#include "core/render/path_renderer.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

// A point of the viewer's 650 x 380 picture.
struct MarkPoint {
    int x = 0;
    int y = 0;
    friend bool operator==(const MarkPoint&, const MarkPoint&) = default;
};

// Where the marks of a stretch that starts at the first of `letters` go: the pen's point
// before its first step and after its last (`steps` letters), as the viewer draws
// `letters` at `zoom` in `style`. A mark past the letters drawn is left out.
std::vector<MarkPoint> StretchMarks(std::string_view letters, int zoom, const lirovane::PathStyle& style, int steps);

// How many of the letters the viewer keeps lie among `tokens` tokens of `file` from
// `startIndex` on; nothing when the file cannot be read that far.
std::optional<std::int64_t> LettersAmongTokens(const std::filesystem::path& file, std::int64_t startIndex,
                                               std::int64_t tokens);
