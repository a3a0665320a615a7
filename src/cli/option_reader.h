#pragma once

#include "core/files/io_error.h"
#include "core/render/path_renderer.h"
#include "core/render/picture_format.h"

#include <cstdint>
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

    explicit OptionReader(std::span<const std::string_view> args) : m_args(args.begin(), args.end()) {}

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

// Every parser of the command line answers alike: an IoResult<T> with the value, or an
// IoError whose reason is a one-line message about the text (never naming a file).
// One value: IoResult<T> ParseX(std::string_view text); one mode's arguments (program
// name excluded): IoResult<T> ParseXOptions(std::span<const std::string_view> args).

// A decimal whole number from `low` to `high`: "'TEXT' is out of range" for a number
// outside them however many digits it has, "'TEXT' is not a whole number" otherwise.
IoResult<std::int64_t> ParseWholeNumber(std::string_view text, std::int64_t low, std::int64_t high);

// --svg-resolution: "step" (every step, the default) or "picture" (a point per pixel).
IoResult<SvgResolution> ParseSvgResolution(std::string_view text);

// A colour as #rrggbb (red first, as on the web), as 0xBBGGRR (the stored form) or as
// a name: red, green, blue, cyan, magenta, yellow, black, white, grey (or gray).
IoResult<Color> ParseColor(std::string_view text);

// Four colours separated by commas, in slot order left, up, down, right.
IoResult<SlotColors> ParseColorList(std::string_view text);

// The arguments of argv[1..].
std::vector<std::string_view> Arguments(int argc, char** argv);

} // namespace lirovane::cli
