#pragma once

#include "core/files/io_error.h"
#include "core/viewer/view_picture.h"

#include <cstdint>
#include <span>
#include <string_view>

namespace lirovane::cli {

inline constexpr int kMaxViewZoom = 1000000;
inline constexpr std::int64_t kMaxViewLevel = std::int64_t{1} << 40;

// `--view FILE [--start N | --region R] [--zoom Z | --level K | --fit] [--orientation 1|2|3]
// [--colors L,U,D,R] --save PICTURE`
// (program name excluded): complete options, or why not.
IoResult<ViewOptions> ParseViewOptions(std::span<const std::string_view> args);

} // namespace lirovane::cli
