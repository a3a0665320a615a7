#include "core/intervals/integer_text.h"

#include <limits>

namespace lirovane {

namespace {

template <typename Int> Int Leading(std::string_view text) noexcept
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // Magnitudes up to the bound of the sign; one more digit would pass it.
    const std::uint64_t limit = static_cast<std::uint64_t>(std::numeric_limits<Int>::max()) + (negative ? 1u : 0u);
    std::uint64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        const auto digit = static_cast<std::uint64_t>(text[i] - '0');
        if (value > (limit - digit) / 10)
            return negative ? std::numeric_limits<Int>::min() : std::numeric_limits<Int>::max();
        value = value * 10 + digit;
    }
    return negative ? static_cast<Int>(0 - value) : static_cast<Int>(value);
}

} // namespace

std::int32_t LeadingInteger(std::string_view text) noexcept
{
    return Leading<std::int32_t>(text);
}

std::int64_t LeadingInteger64(std::string_view text) noexcept
{
    return Leading<std::int64_t>(text);
}

} // namespace lirovane
