#pragma once

#include <cstdint>

namespace lirovane {

// A colour as 0x00BBGGRR: red in the lowest byte, then green, then blue.
using Color = std::uint32_t;

constexpr Color MakeColor(std::uint8_t r, std::uint8_t g, std::uint8_t b) noexcept
{
    return static_cast<Color>(r) | (static_cast<Color>(g) << 8) | (static_cast<Color>(b) << 16);
}
constexpr std::uint8_t RedOf(Color c) noexcept
{
    return static_cast<std::uint8_t>(c & 0xFFu);
}
constexpr std::uint8_t GreenOf(Color c) noexcept
{
    return static_cast<std::uint8_t>((c >> 8) & 0xFFu);
}
constexpr std::uint8_t BlueOf(Color c) noexcept
{
    return static_cast<std::uint8_t>((c >> 16) & 0xFFu);
}

inline constexpr Color kWhite = 0x00FFFFFFu;
inline constexpr Color kBlack = 0x00000000u;

} // namespace lirovane
