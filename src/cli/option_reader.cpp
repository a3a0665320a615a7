#include "cli/option_reader.h"

#include "core/intervals/integer_text.h"

#include <algorithm>

namespace lirovane::cli {

OptionReader::OptionReader(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i)
        m_args.emplace_back(argv[i]);
}

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

std::optional<Color> ParseColor(std::string_view text)
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
    if (text.size() == 7 && text[0] == '#') {
        const auto rgb = WholeNumber<std::uint32_t>(text.substr(1), 16);
        if (!rgb)
            return std::nullopt;
        return MakeColor(static_cast<std::uint8_t>(*rgb >> 16), static_cast<std::uint8_t>(*rgb >> 8),
                         static_cast<std::uint8_t>(*rgb));
    }
    if (text.size() > 2 && text.size() <= 10 && (text.starts_with("0x") || text.starts_with("0X"))) {
        const auto value = WholeNumber<std::uint32_t>(text.substr(2), 16);
        if (!value || *value > 0x00FFFFFFu)
            return std::nullopt;
        return *value;
    }
    return std::nullopt;
}

std::optional<SlotColors> ParseColorList(std::string_view text)
{
    SlotColors colors{};
    for (std::size_t i = 0; i < colors.size(); ++i) {
        const std::size_t comma = text.find(',');
        if ((i + 1 < colors.size()) != (comma != std::string_view::npos))
            return std::nullopt;
        const auto color = ParseColor(text.substr(0, comma));
        if (!color)
            return std::nullopt;
        colors[i] = *color;
        text = comma == std::string_view::npos ? std::string_view{} : text.substr(comma + 1);
    }
    return colors;
}

} // namespace lirovane::cli
