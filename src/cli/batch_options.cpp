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

bool ParseSizeList(std::string_view text, std::vector<int>& sizes, std::string& error)
{
    constexpr int kMaxSize = 2000;
    std::vector<bool> chosen(kMaxSize + 1, false);
    // Quotes a piece of the list (built by appending: GCC 12 warns about `"'" + string`).
    auto quoted = [](std::string_view piece) {
        std::string q(1, '\'');
        q.append(piece);
        q.push_back('\'');
        return q;
    };
    auto reason = [&](std::string_view why) {
        error = "--size must be a size from 1 to " + std::to_string(kMaxSize) +
                " or a list such as 2,3,6 or 2-10 or 2,5-7, not ";
        error.append(quoted(text)).append(": ").append(why);
        return false;
    };
    auto parseSize = [&](std::string_view word, int& size) {
        if (word.empty())
            return reason("a size is missing");
        if (!ParseInt(word, size))
            return reason(quoted(word).append(" is not a whole number"));
        if (size < 1 || size > kMaxSize)
            return reason(
                std::string("size ").append(word).append(" is outside 1 to ").append(std::to_string(kMaxSize)));
        return true;
    };
    std::string_view rest = text;
    for (;;) {
        const std::size_t comma = rest.find(',');
        const std::string_view item = rest.substr(0, comma);
        const std::size_t dash = item.find('-');
        int first = 0;
        int last = 0;
        if (dash == std::string_view::npos) {
            if (!parseSize(item, first))
                return false;
            last = first;
        } else {
            if (dash == 0 || dash + 1 == item.size())
                return reason("the range " + quoted(item) + " needs a size on both sides of '-'");
            if (!parseSize(item.substr(0, dash), first) || !parseSize(item.substr(dash + 1), last))
                return false;
            if (last < first)
                return reason("the range " + quoted(item) + " runs backwards");
        }
        for (int size = first; size <= last; ++size)
            chosen[static_cast<std::size_t>(size)] = true;
        if (comma == std::string_view::npos)
            break;
        rest.remove_prefix(comma + 1);
    }
    sizes.clear();
    for (int size = 1; size <= kMaxSize; ++size) {
        if (chosen[static_cast<std::size_t>(size)])
            sizes.push_back(size);
    }
    return true;
}

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
        static constexpr std::string_view kValued[] = {"--sequence", "--patterns",       "--trf",
                                                       "--size",     "--orientation",    "--colors",
                                                       "--out",      "--write-patterns", "--summary"};
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
        } else if (name == "--summary") {
            options.summary = value;
        } else if (name == "--out") {
            options.out = value;
        } else if (name == "--size") {
            if (!ParseSizeList(value, options.sizes, error))
                return std::nullopt;
            options.size = options.sizes.front();
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
    return "Usage: lirovane-batch --sequence FILE (--patterns FILE | --trf FILE.dat) --size N|LIST\n"
           "                      [--orientation 1|2|3] [--colors LEFT,UP,DOWN,RIGHT]\n"
           "                      [--out DIR] [--write-patterns FILE] [--summary FILE.tsv]\n"
           "\n"
           "Draws every repeat of size N as a picture N.bmp named after its start position and\n"
           "writes starts.txt, ends.txt, the pictures and the page index.htm into DIR.\n"
           "With several sizes (2,3,6 or 2-10 or 2,5-7) the sequence is read once and each\n"
           "size gets its own gallery in DIR/size-N/; DIR/index.htm links them all.\n"
           "\n"
           "  --sequence FILE        FASTA sequence file (every non-blank character is a position)\n"
           "  --patterns FILE        found repeats, '<start> <end> <size>' per record\n"
           "  --trf FILE.dat         Tandem Repeats Finder .dat output of the sequence file\n"
           "  --size N|LIST          repeat size to draw, 1 to 2000, or a list of sizes and ranges\n"
           "  --orientation 1|2|3    1: A cancels T and C cancels G (default)\n"
           "                         2: A cancels C and G cancels T\n"
           "                         3: A cancels G and C cancels T\n"
           "  --colors L,U,D,R       colours #rrggbb of the left, up, down and right steps\n"
           "                         (default #ff0000,#0000ff,#00ffff,#00ff00)\n"
           "  --out DIR              output folder, created if missing (default: current folder)\n"
           "  --write-patterns FILE  with --trf: also write the converted patterns file\n"
           "  --summary FILE.tsv     also write a table: size, repeats, pictures, bases, page\n"
           "  --view ...             draw the viewer's picture of a sequence instead (own options)\n"
           "  -h, --help             show this help\n"
           "\n"
           "Exit status: 0 on success, 1 when a file cannot be read or written, 2 for bad arguments.\n";
}

} // namespace lirovane::cli
