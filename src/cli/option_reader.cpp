#include "cli/option_reader.h"

#include "core/intervals/integer_text.h"

#include <algorithm>

namespace lirovane::cli {

OptionReader::Status OptionReader::Next(std::span<const std::string_view> names)
{
    if (m_next == m_args.size())
        return Status::End;
    m_argument = m_args[m_next++];
    m_name = m_argument;
    m_value = {};
    bool inlineValue = false;
    if (const std::size_t eq = m_argument.find('='); m_argument.starts_with("--") && eq != std::string_view::npos) {
        m_name = m_argument.substr(0, eq);
        m_value = m_argument.substr(eq + 1);
        inlineValue = true;
    }
    if (std::find(names.begin(), names.end(), m_name) == names.end())
        return Status::Unknown;
    if (!inlineValue) {
        if (m_next == m_args.size())
            return Status::MissingValue;
        m_value = m_args[m_next++];
    }
    return Status::Option;
}

std::string Printable(std::string_view text)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string printable;
    printable.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7F) {
            printable.push_back(c);
            continue;
        }
        printable += "\\x";
        printable.push_back(kHex[byte >> 4]);
        printable.push_back(kHex[byte & 0xF]);
    }
    return printable;
}

IoResult<std::int64_t> ParseWholeNumber(std::string_view text, std::int64_t low, std::int64_t high)
{
    if (const auto value = WholeNumber<std::int64_t>(text); value && *value >= low && *value <= high)
        return *value;
    const std::string_view digits = text.starts_with('-') ? text.substr(1) : text;
    const bool number = !digits.empty() && digits.find_first_not_of("0123456789") == std::string_view::npos;
    std::string why(1, '\'');
    why.append(text).append(number ? "' is out of range" : "' is not a whole number");
    return IoError::Plain(std::move(why));
}

IoResult<SvgResolution> ParseSvgResolution(std::string_view text)
{
    if (text == "step")
        return SvgResolution::Step;
    if (text == "picture")
        return SvgResolution::Picture;
    return IoError::Plain("--svg-resolution must be step or picture, not '" + std::string(text) + "'");
}

IoResult<Color> ParseColor(std::string_view text)
{
    struct Named {
        std::string_view name;
        Color color;
    };
    static constexpr Named kNames[] = {
        {"red", 0x000000FF},     {"green", 0x0000FF00},  {"blue", 0x00FF0000},  {"cyan", 0x00FFFF00},
        {"magenta", 0x00FF00FF}, {"yellow", 0x0000FFFF}, {"black", 0x00000000}, {"white", 0x00FFFFFF},
        {"grey", 0x00808080},    {"gray", 0x00808080},
    };
    for (const Named& n : kNames) {
        if (text == n.name)
            return n.color;
    }
    std::optional<Color> color;
    if (text.size() == 7 && text[0] == '#') {
        if (const auto rgb = WholeNumber<std::uint32_t>(text.substr(1), 16))
            color = MakeColor(static_cast<std::uint8_t>(*rgb >> 16), static_cast<std::uint8_t>(*rgb >> 8),
                              static_cast<std::uint8_t>(*rgb));
    } else if (text.size() > 2 && text.size() <= 10 && (text.starts_with("0x") || text.starts_with("0X"))) {
        if (const auto value = WholeNumber<std::uint32_t>(text.substr(2), 16); value && *value <= 0x00FFFFFFu)
            color = *value;
    }
    if (color)
        return *color;
    std::string why(1, '\'');
    return IoError::Plain(why.append(text).append("' is not a colour"));
}

IoResult<SlotColors> ParseColorList(std::string_view text)
{
    SlotColors colors{};
    for (std::size_t i = 0; i < colors.size(); ++i) {
        const std::size_t comma = text.find(',');
        if ((i + 1 < colors.size()) != (comma != std::string_view::npos))
            return IoError::Plain("four colours separated by commas are needed");
        const IoResult<Color> color = ParseColor(text.substr(0, comma));
        if (!color)
            return color.error();
        colors[i] = *color;
        text = comma == std::string_view::npos ? std::string_view{} : text.substr(comma + 1);
    }
    return colors;
}

std::vector<std::string_view> Arguments(int argc, char** argv)
{
    std::vector<std::string_view> args;
    for (int i = 1; i < argc; ++i)
        args.emplace_back(argv[i]);
    return args;
}

} // namespace lirovane::cli
