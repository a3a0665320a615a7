#include "cli/view_options.h"

#include "cli/option_reader.h"
#include "core/intervals/integer_text.h"

namespace lirovane::cli {

namespace {

// Takes one option's value; the error text when it is not usable.
std::optional<std::string> TakeViewOption(std::string_view name, std::string_view value, ViewOptions& options)
{
    // Built by appending: GCC 12 warns about `"'" + string`.
    std::string quoted(1, '\'');
    quoted.append(value).push_back('\'');
    if (name == "--view") {
        options.file = value;
    } else if (name == "--save") {
        options.save = value;
    } else if (name == "--start") {
        const auto n = WholeNumber<std::int64_t>(value);
        if (!n || *n < 0)
            return "--start takes a token count of 0 or more, not " + quoted;
        options.start = *n;
    } else if (name == "--region") {
        if (value.empty())
            return std::string("--region needs a record name, NAME:POS or NAME:START-END");
        options.region = value;
    } else if (name == "--zoom") {
        const auto z = WholeNumber<int>(value);
        if (!z || *z < 1 || *z > kMaxViewZoom)
            return "--zoom takes a whole number from 1 to " + std::to_string(kMaxViewZoom) + ", not " + quoted;
        options.zoom = *z;
    } else if (name == "--level") {
        const auto k = WholeNumber<std::int64_t>(value);
        if (!k || *k < 1 || *k > kMaxViewLevel)
            return "--level takes a whole number of steps per pixel from 1 to " + std::to_string(kMaxViewLevel) +
                   ", not " + quoted;
        options.level = *k;
    } else if (name == "--strand") {
        if (value != "+" && value != "-")
            return "--strand takes + or -, not " + quoted;
        options.minusStrand = value == "-";
    } else if (name == "--orientation") {
        const auto o = WholeNumber<int>(value);
        if (!o || *o < 1 || *o > 3)
            return "--orientation takes 1, 2 or 3, not " + quoted;
        options.orientation = *o;
    } else {
        const auto colors = ParseColorList(value);
        if (!colors)
            return "--colors takes four colours LEFT,UP,DOWN,RIGHT, not " + quoted;
        options.colors = *colors;
    }
    return std::nullopt;
}

std::optional<std::string> ReadViewOptions(const std::vector<std::string_view>& args, ViewOptions& options)
{
    static constexpr std::string_view kNames[] = {"--view",        "--start",  "--region", "--zoom",  "--level",
                                                  "--orientation", "--colors", "--save",   "--strand"};
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
            if (options.file.empty())
                return std::string("--view needs a sequence file");
            if (options.save.empty())
                return std::string("--save needs a picture file name");
            if (!options.region.empty() && options.start != 0)
                return std::string("--region and --start are alternatives");
            if ((options.fit || options.level > 1) && options.zoom > 1)
                return std::string(options.fit ? "--fit" : "--level") + " and --zoom are alternatives";
            if (options.fit && options.level > 1)
                return std::string("--fit and --level are alternatives");
            if (const auto format = PictureFormatOfFile(options.save))
                options.format = *format;
            else
                return "--save needs a picture name ending in " + std::string(kPictureExtensions) + ", not '" +
                       options.save + "'";
            return std::nullopt;
        case OptionReader::Status::Unknown: return "unknown argument '" + std::string(reader.Name()) + "'";
        case OptionReader::Status::MissingValue: return std::string(reader.Name()) + " needs a value";
        case OptionReader::Status::Option:
            if (auto error = TakeViewOption(reader.Name(), reader.Value(), options))
                return error;
            break;
        }
    }
}

} // namespace

std::optional<std::string> ParseViewOptions(const std::vector<std::string_view>& args, ViewOptions& options)
{
    // The error may quote any argument.
    if (const std::optional<std::string> error = ReadViewOptions(args, options))
        return Printable(*error);
    return std::nullopt;
}

} // namespace lirovane::cli
