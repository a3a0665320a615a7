#pragma once

#include "core/render/path_renderer.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace lirovane::cli {

// Walks command-line arguments given as "--name value" or "--name=value", every
// option taking a value. Both of lirovane-batch's modes read their options with it.
class OptionReader {
public:
    enum class Status { Option, End, Unknown, MissingValue };

    explicit OptionReader(std::vector<std::string_view> args) : m_args(std::move(args)) {}
    OptionReader(int argc, char** argv);

    // The next option if its name is one of `names`: Option with Name() and Value()
    // set; Unknown (Argument() is the whole argument, Name() the part before any '=')
    // or MissingValue otherwise; End after the last argument.
    Status Next(std::span<const std::string_view> names);

    std::string_view Argument() const noexcept { return m_argument; }
    std::string_view Name() const noexcept { return m_name; }
    std::string_view Value() const noexcept { return m_value; }

private:
    std::vector<std::string_view> m_args;
    std::size_t m_next = 0;
    std::string_view m_argument;
    std::string_view m_name;
    std::string_view m_value;
};

// `text` with control characters and DEL written as \xNN: a message that quotes an
// argument stays on one line and sends the terminal nothing but text.
std::string Printable(std::string_view text);

// A colour as #rrggbb (red first, as on the web), as 0xBBGGRR (the stored form) or as
// a name: red, green, blue, cyan, magenta, yellow, black, white, grey (or gray).
std::optional<Color> ParseColor(std::string_view text);

// Four colours separated by commas, in slot order left, up, down, right.
std::optional<SlotColors> ParseColorList(std::string_view text);

} // namespace lirovane::cli
