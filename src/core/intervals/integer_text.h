#pragma once

#include <charconv>
#include <cstdint>
#include <optional>
#include <string_view>
#include <system_error>

namespace lirovane {

// Typed text as C's atoi reads it: white space, an optional sign, then the digits up
// to the first other character; 0 without digits. Beyond the 32-bit range the value
// sticks at the nearest bound instead of wrapping.
std::int32_t LeadingInteger(std::string_view text) noexcept;
// The same for 64-bit values (start indexes of whole genomes).
std::int64_t LeadingInteger64(std::string_view text) noexcept;

// The whole text as one number in `base`; nothing for empty text, white space, any
// other character or a value out of the type's range.
template <typename Int> std::optional<Int> WholeNumber(std::string_view text, int base = 10) noexcept
{
    Int value{};
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value, base);
    if (text.empty() || ec != std::errc() || ptr != end)
        return std::nullopt;
    return value;
}

} // namespace lirovane
