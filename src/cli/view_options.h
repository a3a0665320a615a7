#pragma once

#include "core/viewer/view_picture.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lirovane::cli {

inline constexpr int kMaxViewZoom = 1000000;

// `--view FILE [--start N] [--zoom Z] [--orientation 1|2|3] [--colors L,U,D,R] --save PICTURE`
// (program name excluded). Returns the error text, or nothing when `options` is complete.
std::optional<std::string> ParseViewOptions(const std::vector<std::string_view>& args, ViewOptions& options);

} // namespace lirovane::cli
