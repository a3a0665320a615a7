#include "cli/batch_options.h"

#include "cli/option_reader.h"
#include "core/intervals/integer_text.h"
#include "core/settings/app_settings.h"

#include <algorithm>
#include <iterator>
#include <string_view>

namespace lirovane::cli {

namespace {

constexpr int kMaxSize = 2000;

// Quotes a piece of the list (built by appending: GCC 12 warns about `"'" + string`).
std::string Quoted(std::string_view piece)
{
    std::string q(1, '\'');
    q.append(piece);
    q.push_back('\'');
    return q;
}

// Reads the items of a --size list; every failure names the whole list and why.
class SizeListReader {
public:
    explicit SizeListReader(std::string_view text) : m_text(text) {}
    const std::string& Error() const { return m_error; }

    // One item, "N" or "N-M", as the sizes from `first` to `last`.
    bool ReadItem(std::string_view item, int& first, int& last)
    {
        const std::size_t dash = item.find('-');
        if (dash == std::string_view::npos) {
            if (!ReadSize(item, first))
                return false;
            last = first;
            return true;
        }
        if (dash == 0 || dash + 1 == item.size())
            return Fail("the range " + Quoted(item) + " needs a size on both sides of '-'");
        if (!ReadSize(item.substr(0, dash), first) || !ReadSize(item.substr(dash + 1), last))
            return false;
        if (last < first)
            return Fail("the range " + Quoted(item) + " runs backwards");
        return true;
    }

private:
    bool ReadSize(std::string_view word, int& size)
    {
        if (word.empty())
            return Fail("a size is missing");
        const IoResult<std::int64_t> number = ParseWholeNumber(word, 1, kMaxSize);
        size = static_cast<int>(number.value());
        if (!number)
            return Fail(number.error().reason);
        return true;
    }

    bool Fail(std::string_view why)
    {
        m_error =
            "--size must be a size from 1 to " + std::to_string(kMaxSize) + " or a list such as 2,3,6 or 2-10 or 2,5-7";
        // A reason that already quotes the whole list does not need it twice.
        const std::string list = Quoted(m_text);
        if (!why.starts_with(list))
            m_error.append(", not ").append(list);
        m_error.append(": ").append(why);
        return false;
    }

    std::string_view m_text;
    std::string m_error;
};

} // namespace

IoResult<std::vector<int>> ParseSizeList(std::string_view text)
{
    std::vector<bool> chosen(kMaxSize + 1, false);
    SizeListReader reader(text);
    std::string_view rest = text;
    for (;;) {
        const std::size_t comma = rest.find(',');
        int first = 0;
        int last = 0;
        if (!reader.ReadItem(rest.substr(0, comma), first, last))
            return IoError::Plain(reader.Error());
        for (int size = first; size <= last; ++size)
            chosen[static_cast<std::size_t>(size)] = true;
        if (comma == std::string_view::npos)
            break;
        rest.remove_prefix(comma + 1);
    }
    std::vector<int> sizes;
    for (int size = 1; size <= kMaxSize; ++size) {
        if (chosen[static_cast<std::size_t>(size)])
            sizes.push_back(size);
    }
    return sizes;
}

namespace {

// The batch's options; each takes a value.
constexpr std::string_view kNames[] = {
    "--sequence", "--patterns", "--trf",     "--size",  "--orientation", "--colors",         "--out",           "--bed",
    "--gff",      "--type",     "--summary", "--table", "--format",      "--write-patterns", "--svg-resolution"};

// A --type list: names separated by commas, each kept once in the order given.
IoResult<std::vector<std::string>> ParseTypeList(std::string_view text)
{
    std::vector<std::string> types;
    for (std::string_view rest = text;;) {
        const std::size_t comma = rest.find(',');
        const std::string_view type = rest.substr(0, comma);
        if (type.empty())
            return IoError::Plain("--type must be feature types separated by commas (gene,tRNA), not '" +
                                  std::string(text) + "'");
        if (std::find(types.begin(), types.end(), type) == types.end())
            types.emplace_back(type);
        if (comma == std::string_view::npos)
            return types;
        rest.remove_prefix(comma + 1);
    }
}

// Takes one option's value.
IoStatus TakeBatchOption(std::string_view name, std::string_view value, BatchOptions& options)
{
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
    } else if (name == "--table") {
        options.table = value;
    } else if (name == "--out") {
        options.out = value;
    } else if (name == "--bed") {
        options.bed = value;
    } else if (name == "--gff") {
        options.gff = value;
    } else if (name == "--type") {
        IoResult<std::vector<std::string>> types = ParseTypeList(value);
        if (!types)
            return types;
        options.types = std::move(types).value();
    } else if (name == "--size") {
        IoResult<std::vector<int>> sizes = ParseSizeList(value);
        if (!sizes)
            return sizes;
        options.sizes = std::move(sizes).value();
        options.size = options.sizes.front();
    } else if (name == "--orientation") {
        const IoResult<std::int64_t> orientation = ParseWholeNumber(value, 1, 3);
        if (!orientation)
            return IoError::Plain("--orientation must be 1, 2 or 3: " + orientation.error().reason);
        options.orientation = static_cast<int>(*orientation);
    } else if (name == "--colors") {
        const IoResult<SlotColors> colors = ParseColorList(value);
        if (!colors)
            return IoError::Plain("--colors must be four colours (#rrggbb, 0xBBGGRR or a name) separated by commas "
                                  "(left,up,down,right), not '" +
                                  std::string(value) + "'");
        options.colors = *colors;
    } else if (name == "--format") {
        const auto format = PictureFormatNamed(value);
        if (!format)
            return IoError::Plain("--format must be " + std::string(kPictureFormatNames) + ", not '" +
                                  std::string(value) + "'");
        options.format = *format;
    } else if (name == "--svg-resolution") {
        IoResult<SvgResolution> resolution = ParseSvgResolution(value);
        if (!resolution)
            return resolution;
        options.svgResolution = *resolution;
        options.svgResolutionGiven = true;
    }
    return {};
}

// Empty when the options together make a run; otherwise what is missing or clashes.
std::string MissingFeatureOption(const BatchOptions& options)
{
    if (!options.bed.empty() && !options.gff.empty())
        return "give one of --bed FILE and --gff FILE";
    if (!options.patterns.empty() || !options.trf.empty() || !options.sizes.empty() || !options.writePatterns.empty())
        return "--bed and --gff draw features: --patterns, --trf, --size and --write-patterns do not go with them";
    if (!options.types.empty() && options.gff.empty())
        return "--type needs --gff";
    return {};
}

std::string MissingOption(const BatchOptions& options)
{
    if (options.sequence.empty())
        return "--sequence FILE is required";
    if (options.svgResolutionGiven && options.format != PictureFormat::Svg)
        return "--svg-resolution needs --format svg";
    if (options.Features() || !options.types.empty()) {
        if (options.out.empty())
            return "--out needs a folder name";
        return MissingFeatureOption(options);
    }
    if (options.ignoreStrand)
        return "--ignore-strand needs --bed or --gff";
    if (options.patterns.empty() == options.trf.empty())
        return "give exactly one of --patterns FILE and --trf FILE.dat";
    if (options.sizes.empty())
        return "--size N is required";
    if (!options.writePatterns.empty() && options.trf.empty())
        return "--write-patterns needs --trf";
    if (options.out.empty())
        return "--out needs a folder name";
    return {};
}

IoResult<BatchOptions> ReadBatchOptions(std::span<const std::string_view> args)
{
    BatchOptions options;
    OptionReader reader(args);
    for (;;) {
        switch (reader.Next(kNames)) {
        case OptionReader::Status::End:
            if (const std::string missing = MissingOption(options); !missing.empty())
                return IoError::Plain(missing);
            return options;
        case OptionReader::Status::Unknown:
            if (reader.Argument() == "--help" || reader.Argument() == "-h") {
                options.help = true;
                return options;
            }
            if (reader.Argument() == "--ignore-strand") {
                options.ignoreStrand = true;
                break;
            }
            return IoError::Plain("unknown option '" + std::string(reader.Argument()) + "'");
        case OptionReader::Status::MissingValue:
            return IoError::Plain("option " + std::string(reader.Name()) + " needs a value");
        case OptionReader::Status::Option:
            if (IoStatus taken = TakeBatchOption(reader.Name(), reader.Value(), options); !taken)
                return taken.error();
            break;
        }
    }
}

} // namespace

bool AsksForViewMode(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--view" || arg.starts_with("--view="))
            return true;
        // "--out --view": the folder is called --view.
        if (std::find(std::begin(kNames), std::end(kNames), arg) != std::end(kNames))
            ++i;
    }
    return false;
}

IoResult<BatchOptions> ParseBatchOptions(std::span<const std::string_view> args)
{
    IoResult<BatchOptions> options = ReadBatchOptions(args);
    if (!options) // the error may quote any argument
        return IoError::Plain(Printable(options.error().reason));
    return options;
}

std::string BatchUsage()
{
    return "Usage: lirovane-batch --sequence FILE (--patterns FILE | --trf FILE.dat) --size N|LIST\n"
           "       lirovane-batch --sequence FILE (--bed FILE | --gff FILE [--type LIST]) [--ignore-strand]\n"
           "                      [--orientation 1|2|3] [--colors LEFT,UP,DOWN,RIGHT]\n"
           "                      [--out DIR] [--write-patterns FILE] [--summary FILE.tsv]\n"
           "                      [--table FILE.tsv] [--format bmp|png|svg]\n"
           "                      [--svg-resolution step|picture]\n"
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
           "  --bed FILE             draw every feature of a BED file (BED3 to BED12, plain or\n"
           "                         gzip) as a picture named after it; minus-strand features\n"
           "                         from their reverse complement, BED12 as the exons joined\n"
           "  --gff FILE             the same for a GFF3 file (a GTF file is refused)\n"
           "  --type LIST            with --gff: the types to draw (gene,tRNA), each in DIR/TYPE/\n"
           "  --ignore-strand        draw every feature as it lies on the plus strand\n"
           "  --orientation 1|2|3    1: A cancels T and C cancels G (default)\n"
           "                         2: A cancels C and G cancels T\n"
           "                         3: A cancels G and C cancels T\n"
           "  --colors L,U,D,R       colours of the left, up, down and right steps: #rrggbb,\n"
           "                         0xBBGGRR or a name (red, green, blue, cyan, ...)\n"
           "                         (default #ff0000,#0000ff,#00ffff,#00ff00)\n"
           "  --out DIR              output folder, created if missing (default: current folder)\n"
           "  --write-patterns FILE  with --trf: also write the converted patterns file\n"
           "  --summary FILE.tsv     also write a table: size, repeats, pictures, bases, page\n"
           "  --table FILE.tsv       also write a table with one row per picture saved: picture,\n"
           "                         record, start, end (1-based bases in the record), size,\n"
           "                         and with a .dat also period, copies, score, consensus;\n"
           "                         several sizes share one table, pictures named size-N/...\n"
           "  --format bmp|png|svg   picture format (default bmp): N.png holds the same pixels\n"
           "                         compressed, N.svg the same walk as a vector drawing\n"
           "  --svg-resolution step|picture\n"
           "                         with --format svg, a picture scaled down keeps every\n"
           "                         step (step, the default) or one point per pixel the\n"
           "                         walk moves, as the BMP has it (picture: smaller files)\n"
           "  --view ...             draw the viewer's picture of a sequence instead (own options)\n"
           "  --overview ...         draw each record of the sequence whole, with a table of\n"
           "                         where its walk turns (own options)\n"
           "  --index FILE           write FILE.fai (and FILE.gzi for bgzip files), as samtools\n"
           "                         faidx does; the viewer then jumps to any position at once\n"
           "  --version              print the version\n"
           "  -h, --help             show this help\n"
           "\n"
           "Exit status: 0 on success; 1 when a file cannot be read or written, repeats were\n"
           "selected but none was drawn, or another Lirovane run is using DIR; 2 for bad\n"
           "arguments or an output that would replace an input; 130 or 143 when stopped by\n"
           "SIGINT or SIGTERM (finished pictures stay, no page is replaced).\n";
}

BatchRequest RequestOf(const BatchOptions& options)
{
    BatchRequest request;
    request.sequence = options.sequence;
    request.selection = options.trf.empty() ? Selection{SelectionKind::Patterns, options.patterns, 0}
                                            : Selection{SelectionKind::TrfDat, options.trf, 0};
    request.sizes = options.sizes;
    request.out = options.out;
    request.format = options.format;
    request.svgResolution = options.svgResolution;
    AppSettings look;
    look.SetFirstRunDefaults();
    look.SetOrientation(options.orientation);
    request.style = {look.letters, options.colors};
    request.writePatterns = options.writePatterns;
    request.table = options.table;
    request.summary = options.summary;
    return request;
}

} // namespace lirovane::cli
