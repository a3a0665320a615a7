#include "cli/batch_options.h"

#include <charconv>
#include <string_view>

namespace lirovane::cli {

namespace {

bool ParseInt(std::string_view text, int& value)
{
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end && !text.empty();
}

bool ParseColor(std::string_view text, Color& color)
{
    if (text.size() != 7 || text[0] != '#')
        return false;
    unsigned int rgb = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data() + 1, end, rgb, 16);
    if (ec != std::errc() || ptr != end)
        return false;
    color = MakeColor(static_cast<std::uint8_t>(rgb >> 16), static_cast<std::uint8_t>(rgb >> 8),
                      static_cast<std::uint8_t>(rgb));
    return true;
}

bool ParseColors(std::string_view text, std::array<Color, 4>& colors)
{
    std::array<Color, 4> parsed{};
    for (std::size_t i = 0; i < parsed.size(); ++i) {
        const std::size_t comma = text.find(',');
        const bool last = i + 1 == parsed.size();
        if (last != (comma == std::string_view::npos))
            return false;
        if (!ParseColor(text.substr(0, comma), parsed[i]))
            return false;
        if (!last)
            text.remove_prefix(comma + 1);
    }
    colors = parsed;
    return true;
}

} // namespace

std::optional<BatchOptions> ParseBatchOptions(int argc, char** argv, std::string& error)
{
    BatchOptions options;
    bool haveSize = false;
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            options.help = true;
            return options;
        }
        std::string_view name = arg;
        std::optional<std::string_view> inlineValue;
        if (const std::size_t eq = arg.find('='); arg.starts_with("--") && eq != std::string_view::npos) {
            name = arg.substr(0, eq);
            inlineValue = arg.substr(eq + 1);
        }
        static constexpr std::string_view kValued[] = {"--sequence", "--patterns", "--trf", "--size",
                                                       "--orientation", "--colors", "--out",
                                                       "--write-patterns"};
        bool known = false;
        for (const std::string_view option : kValued)
            known = known || option == name;
        if (!known) {
            error = "unknown option '" + std::string(arg) + "'";
            return std::nullopt;
        }
        std::string_view value;
        if (inlineValue) {
            value = *inlineValue;
        } else if (i + 1 < argc) {
            value = argv[++i];
        } else {
            error = "option " + std::string(name) + " needs a value";
            return std::nullopt;
        }

        if (name == "--sequence") {
            options.sequence = value;
        } else if (name == "--patterns") {
            options.patterns = value;
        } else if (name == "--trf") {
            options.trf = value;
        } else if (name == "--write-patterns") {
            options.writePatterns = value;
        } else if (name == "--out") {
            options.out = value;
        } else if (name == "--size") {
            if (!ParseInt(value, options.size) || options.size < 1 || options.size > 2000) {
                error = "--size must be a whole number from 1 to 2000, not '" + std::string(value) + "'";
                return std::nullopt;
            }
            haveSize = true;
        } else if (name == "--orientation") {
            if (!ParseInt(value, options.orientation) || options.orientation < 1 || options.orientation > 3) {
                error = "--orientation must be 1, 2 or 3, not '" + std::string(value) + "'";
                return std::nullopt;
            }
        } else if (name == "--colors") {
            if (!ParseColors(value, options.colors)) {
                error = "--colors must be four colours #rrggbb separated by commas (left,up,down,right), not '" +
                        std::string(value) + "'";
                return std::nullopt;
            }
        }
    }

    if (options.sequence.empty())
        error = "--sequence FILE is required";
    else if (options.patterns.empty() == options.trf.empty())
        error = "give exactly one of --patterns FILE and --trf FILE.dat";
    else if (!haveSize)
        error = "--size N is required";
    else if (!options.writePatterns.empty() && options.trf.empty())
        error = "--write-patterns needs --trf";
    else if (options.out.empty())
        error = "--out needs a folder name";
    if (!error.empty())
        return std::nullopt;
    return options;
}

std::string BatchUsage()
{
    return "Usage: lirovane-batch --sequence FILE (--patterns FILE | --trf FILE.dat) --size N\n"
           "                      [--orientation 1|2|3] [--colors LEFT,UP,DOWN,RIGHT]\n"
           "                      [--out DIR] [--write-patterns FILE]\n"
           "\n"
           "Draws every repeat of size N as a picture N.bmp named after its start position and\n"
           "writes starts.txt, ends.txt, the pictures and the page index.htm into DIR.\n"
           "\n"
           "  --sequence FILE        FASTA sequence file (every non-blank character is a position)\n"
           "  --patterns FILE        found repeats, '<start> <end> <size>' per record\n"
           "  --trf FILE.dat         Tandem Repeats Finder .dat output of the sequence file\n"
           "  --size N               repeat size to draw, 1 to 2000\n"
           "  --orientation 1|2|3    1: A cancels T and C cancels G (default)\n"
           "                         2: A cancels C and G cancels T\n"
           "                         3: A cancels G and C cancels T\n"
           "  --colors L,U,D,R       colours #rrggbb of the left, up, down and right steps\n"
           "                         (default #ff0000,#0000ff,#00ffff,#00ff00)\n"
           "  --out DIR              output folder, created if missing (default: current folder)\n"
           "  --write-patterns FILE  with --trf: also write the converted patterns file\n"
           "  --view ...             draw the viewer's picture of a sequence instead (own options)\n"
           "  -h, --help             show this help\n"
           "\n"
           "Exit status: 0 on success, 1 when a file cannot be read or written, 2 for bad arguments.\n";
}

} // namespace lirovane::cli
