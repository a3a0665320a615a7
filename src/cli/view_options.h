#pragma once

#include "core/viewer/view_picture.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lirovane::cli {

inline constexpr int kMaxViewZoom = 1000000;
inline constexpr std::int64_t kMaxViewLevel = std::int64_t{1} << 40;

// `--view FILE [--start N | --region R] [--zoom Z | --level K | --fit] [--orientation 1|2|3]
// [--colors L,U,D,R] --save PICTURE`
// (program name excluded). Returns the error text, or nothing when `options` is complete.
std::optional<std::string> ParseViewOptions(const std::vector<std::string_view>& args, ViewOptions& options);

} // namespace lirovane::cli
