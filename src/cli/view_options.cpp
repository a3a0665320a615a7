#include "cli/view_options.h"

#include "cli/option_reader.h"
#include "core/intervals/integer_text.h"

#include <cstdint>
#include <string>
#include <vector>

namespace lirovane::cli {

namespace {

// The error for option `name`: what it takes and, for a value that is not one of
// them, why (a number out of range says so).
IoError Refused(std::string_view takes, std::string_view value, const IoStatus& why = {})
{
    std::string text(takes);
    if (!why.ok())
        return IoError::Plain(text.append(": ").append(why.error().reason));
    return IoError::Plain(text.append(", not '").append(value).append("'"));
}

// Takes a whole number from `low` to `high` for option `takes`.
template <typename Int>
IoStatus TakeNumber(std::string_view takes, std::string_view value, std::int64_t low, std::int64_t high, Int& out)
{
    const IoResult<std::int64_t> n = ParseWholeNumber(value, low, high);
    if (!n)
        return Refused(takes, value, n);
    out = static_cast<Int>(*n);
    return {};
}

// Takes one option's value.
IoStatus TakeViewOption(std::string_view name, std::string_view value, ViewOptions& options)
{
    if (name == "--view") {
        options.file = value;
    } else if (name == "--save") {
        options.save = value;
    } else if (name == "--start") {
        return TakeNumber("--start takes a token count of 0 or more", value, 0, INT64_MAX, options.start);
    } else if (name == "--region") {
        if (value.empty())
            return IoError::Plain("--region needs a record name, NAME:POS or NAME:START-END");
        options.region = value;
    } else if (name == "--zoom") {
        return TakeNumber("--zoom takes a whole number from 1 to " + std::to_string(kMaxViewZoom), value, 1,
                          kMaxViewZoom, options.zoom);
    } else if (name == "--level") {
        return TakeNumber("--level takes a whole number of steps per pixel from 1 to " + std::to_string(kMaxViewLevel),
                          value, 1, kMaxViewLevel, options.level);
    } else if (name == "--strand") {
        if (value != "+" && value != "-")
            return Refused("--strand takes + or -", value);
        options.minusStrand = value == "-";
    } else if (name == "--orientation") {
        return TakeNumber("--orientation takes 1, 2 or 3", value, 1, 3, options.orientation);
    } else {
        const IoResult<SlotColors> colors = ParseColorList(value);
        if (!colors)
            return Refused("--colors takes four colours LEFT,UP,DOWN,RIGHT", value);
        options.colors = *colors;
    }
    return {};
}

// The options together: what is missing or clashes.
IoStatus CheckViewOptions(ViewOptions& options)
{
    const auto fail = [](std::string text) { return IoStatus(IoError::Plain(std::move(text))); };
    if (options.file.empty())
        return fail("--view needs a sequence file");
    if (options.save.empty())
        return fail("--save needs a picture file name");
    if (!options.region.empty() && options.start != 0)
        return fail("--region and --start are alternatives");
    if ((options.fit || options.level > 1) && options.zoom > 1)
        return fail(std::string(options.fit ? "--fit" : "--level") + " and --zoom are alternatives");
    if (options.fit && options.level > 1)
        return fail("--fit and --level are alternatives");
    const auto format = PictureFormatOfFile(options.save);
    if (!format)
        return fail("--save needs a picture name ending in " + std::string(kPictureExtensions) + ", not '" +
                    options.save + "'");
    options.format = *format;
    return {};
}

IoResult<ViewOptions> ReadViewOptions(std::span<const std::string_view> args)
{
    static constexpr std::string_view kNames[] = {"--view",        "--start",  "--region", "--zoom",  "--level",
                                                  "--orientation", "--colors", "--save",   "--strand"};
    ViewOptions options;
    // --fit is the one option without a value: taken out before the others are read.
    std::vector<std::string_view> rest;
    for (const std::string_view arg : args) {
        const bool value =
            !rest.empty() && rest.back().starts_with("--") && rest.back().find('=') == std::string_view::npos;
        if (arg == "--fit" && !value)
            options.fit = true;
        else
            rest.push_back(arg);
    }
    OptionReader reader(rest);
    for (;;) {
        switch (reader.Next(kNames)) {
        case OptionReader::Status::End:
            if (IoStatus checked = CheckViewOptions(options); !checked)
                return checked.error();
            return options;
        case OptionReader::Status::Unknown:
            return IoError::Plain("unknown argument '" + std::string(reader.Name()) + "'");
        case OptionReader::Status::MissingValue: return IoError::Plain(std::string(reader.Name()) + " needs a value");
        case OptionReader::Status::Option:
            if (IoStatus taken = TakeViewOption(reader.Name(), reader.Value(), options); !taken)
                return taken.error();
            break;
        }
    }
}

} // namespace

IoResult<ViewOptions> ParseViewOptions(std::span<const std::string_view> args)
{
    IoResult<ViewOptions> options = ReadViewOptions(args);
    if (!options) // the error may quote any argument
        return IoError::Plain(Printable(options.error().reason));
    return options;
}

} // namespace lirovane::cli
