// Stretches past the in-memory bound are read again from the sequence file (or from a
// temporary file for plain gzip) and draw the very same pictures as stretches held whole.
#include "core/batch/gallery_pass.h"
#include "core/batch/overview.h"
#include "core/batch/stretch_letters.h"
#include "core/render/path_renderer.h"
#include "core/render/picture_export.h"
#include "core/render/raster_canvas.h"
#include "core/sequence/fasta_index.h"
#include "core/sequence/token_reader.h"
#include "core/settings/app_settings.h"

#include "test_support.h"

namespace {

struct Gallery {
    const char* dir;
    PictureFormat format;
    std::vector<std::pair<std::int64_t, std::int64_t>> stretches; // (start, end) in positions
};

// Draws the galleries into `root` with `sequence` named "sequence" there.
std::vector<BatchResult> Draw(const fs::path& root, const fs::path& sequence, const std::vector<Gallery>& galleries,
                              std::size_t inMemory, bool ownThread, std::uint64_t partsFrom = kDrawInPartsFrom)
{
    fs::create_directories(root);
    fs::copy_file(sequence, root / "sequence");
    // Indexed, so that stretches in parts are also measured in two halves at once.
    if (partsFrom < kDrawInPartsFrom && sequence.extension() != ".gz") {
        EXPECT_TRUE(WriteFastaIndex(root / "sequence"));
    }
    std::vector<GallerySelection> selections;
    for (const Gallery& gallery : galleries) {
        fs::create_directories(root / gallery.dir);
        std::string starts, ends;
        for (const auto& [start, end] : gallery.stretches) {
            starts += std::to_string(start) + "\n";
            ends += std::to_string(end) + "\n";
        }
        WriteFile(root / gallery.dir / "starts.txt", starts);
        WriteFile(root / gallery.dir / "ends.txt", ends);
        selections.push_back({gallery.dir, 6, static_cast<int>(gallery.stretches.size()), gallery.format});
    }
    const AppSettings settings = FirstRun("sequence");
    PassOptions options;
    options.picturesOnOwnThread = ownThread;
    options.stretchInMemory = inMemory;
    options.partsFrom = partsFrom;
    return InFolder(root, [&] { return DrawGalleries(settings, selections, options); });
}

// How the sequence is given and how stretches are read: the first is the reference, every
// stretch in memory.
const struct {
    const char* form;
    const char* tool;
    std::size_t inMemory;
    bool ownThread;
    bool noTemporaryFolder = false; // gzip stretches and SVG drawings then stay in memory
} kStretchReads[] = {
    {"plain", nullptr, kStretchInMemory, false}, {"plain", nullptr, 1, false},     {"plain", nullptr, 4096, true},
    {"gzip", "gzip", kStretchInMemory, false},   {"gzip", "gzip", 1, false},       {"gzip", "gzip", 4096, true},
    {"gzip", "gzip", 1, false, true},            {"bgzf", "bgzip", 1, false},      {"bgzf", "bgzip", 70000, true},
};

} // namespace

// Every picture and page is byte for byte the same whether stretches stay in memory or
// are read again, for plain, gzip and BGZF input, with several galleries in one read.
TEST(LongStretches, PicturesMatchTheInMemoryOnes)
{
    ScratchDir dir;
    const std::string text = Genome(300000);
    const fs::path plain = WriteFile(dir / "genome.fa", text);
    const auto tokens = static_cast<std::int64_t>(CountTokens(text.data(), text.size()));

    const std::vector<Gallery> galleries = {
        // From the first header; across most of the file to one past its last token.
        {"bmp", PictureFormat::Bmp, {{1, 200}, {300, 30000}, {40000, tokens + 1}}},
        // Overlapping the others; an empty stretch; a single letter.
        {"png", PictureFormat::Png, {{50, 150000}, {150500, 150500}, {150600, 150601}}},
        // Nested in both; one ending past the sequence is never drawn.
        {"svg", PictureFormat::Svg, {{20000, 60000}, {tokens - 5, tokens + 50}}},
    };
    const auto drawnBases = static_cast<std::uint64_t>(199 + 29700 + (tokens + 1 - 40000) + 149950 + 0 + 1 + 40000);

    std::map<std::string, std::map<std::string, std::string>> reference;
    int run = 0;
    for (const auto& c : kStretchReads) {
        SCOPED_TRACE(std::string(c.form) + " in memory " + std::to_string(c.inMemory) +
                     (c.noTemporaryFolder ? " without a temporary folder" : ""));
        const fs::path root = dir / ("run" + std::to_string(run++));
        const fs::path sequence = Compress(plain, dir / (root.filename().string() + ".input"), c.tool);
        const char* tmpdir = std::getenv("TMPDIR");
        const std::string savedTmpdir = tmpdir != nullptr ? tmpdir : "";
        if (c.noTemporaryFolder)
            ::setenv("TMPDIR", (dir / "no-such-folder").c_str(), 1);
        const std::vector<BatchResult> results = Draw(root, sequence, galleries, c.inMemory, c.ownThread);
        if (c.noTemporaryFolder)
            tmpdir == nullptr ? ::unsetenv("TMPDIR") : ::setenv("TMPDIR", savedTmpdir.c_str(), 1);
        ASSERT_EQ(results.size(), galleries.size());
        std::uint64_t bases = 0;
        for (const BatchResult& result : results) {
            EXPECT_TRUE(result.errors.empty());
            bases += result.bases;
        }
        EXPECT_EQ(results[0].pictures + results[1].pictures + results[2].pictures, 7);
        EXPECT_EQ(bases, drawnBases);
        for (const Gallery& gallery : galleries) {
            const auto files = Files(root / gallery.dir);
            if (reference.count(gallery.dir) == 0)
                reference[gallery.dir] = files;
            else
                EXPECT_EQ(files, reference[gallery.dir]) << gallery.dir;
        }
        fs::remove_all(root);
    }
}

// A stretch that cannot be read to its end, plain or BGZF, says so and writes no picture:
// an earlier file keeps its bytes.
TEST(LongStretches, AStretchThatFailsWritesNothing)
{
    ScratchDir dir;
    const fs::path plain = WriteFile(dir / "s.fa", "ACGTTTGACCAGTAGGACTTACG\n");
    const PathStyle style;
    RasterCanvas scratch(1, 1);
    for (const PictureFormat format : {PictureFormat::Bmp, PictureFormat::Png, PictureFormat::Svg}) {
        const fs::path sequence = format == PictureFormat::Png ? Compress(plain, dir / "s.bgz", "bgzip") : plain;
        const fs::path file = WriteFile(dir / ("p." + std::string(PictureFormatName(format))), "earlier");
        TokenReader reader;
        ASSERT_TRUE(reader.Open(sequence));
        SequenceStretch failing(sequence, reader.Position(), 0, 30); // 23 letters, then the end
        const PathExtent extent = MeasurePath(failing, style);
        EXPECT_TRUE(failing.Failed());
        EXPECT_FALSE(SavePathPicture(file, format, failing, extent, style, scratch, "t").ok());
        EXPECT_EQ(ReadFile(file), "earlier");
    }
}

// A record walked in two halves and joined is the record walked whole, split anywhere,
// also where the second half only meets an extreme the first reached (it stays first).
TEST(LongStretches, RecordWalksJoin)
{
    std::mt19937 random(3);
    std::string wander;
    for (int i = 0; i < 400; ++i)
        wander.append(1 + random() % 90, "ACGTN\n"[random() % 6]);
    for (const std::string& text : {std::string("TTAATTAATT"), std::string("CCGG\nCCGGAC"), wander}) {
        const auto walked = [&text](std::size_t from, std::size_t to) {
            RecordWalk walk(LetterTable::ForOrientation(1));
            const std::string_view part = std::string_view(text).substr(from, to - from);
            walk.Add(part, CountTokens(part.data(), part.size()));
            return walk;
        };
        const RecordWalk whole = walked(0, text.size());
        for (std::size_t at = 0; at <= text.size(); at += 1 + text.size() / 40) {
            RecordWalk joined = walked(0, at);
            joined.Append(walked(at, text.size()));
            const WalkBounds &a = joined.Bounds(), &b = whole.Bounds();
            EXPECT_TRUE(a.x == b.x && a.y == b.y && a.minX == b.minX && a.maxX == b.maxX && a.minY == b.minY &&
                        a.maxY == b.maxY && joined.Bases() == whole.Bases() &&
                        joined.FirstReach() == whole.FirstReach())
                << text.size() << " split at " << at;
        }
    }
}

// A genome of `records` (header, bases) whose bases drift and then turn, a gallery of
// repeats spanning each record, and its walk.tsv by plain cumulative sums.
struct OverviewGenome {
    std::string text;
    std::string table = "record\tlength\tx\ty\tmin_x_base\tmax_x_base\tmin_y_base\tmax_y_base\n";
    Gallery gallery{"g", PictureFormat::Bmp, {}};
};

OverviewGenome MakeOverviewGenome(const std::vector<std::pair<std::string, std::size_t>>& records)
{
    std::mt19937 random(5);
    OverviewGenome g;
    for (const auto& [name, bases] : records) {
        g.text += ">" + name + "\n";
        const auto first = static_cast<std::int64_t>(CountTokens(g.text.data(), g.text.size())) + 1;
        g.gallery.stretches.push_back({first, first + static_cast<std::int64_t>(bases)});
        std::int64_t x = 0, y = 0, extremes[4] = {}; // y up; min x, max x, min y, max y
        std::uint64_t reached[4] = {};
        for (std::size_t i = 1; i <= bases; ++i) {
            const char base = "AACGTTTNacgt"[random() % (i < bases / 2 ? 12 : 11)];
            g.text += base;
            g.text += i % 60 == 0 ? "\n" : "";
            const char b = static_cast<char>(std::toupper(base));
            x += (b == 'T') - (b == 'A');
            y += (b == 'C') - (b == 'G');
            const bool beyond[4] = {x<extremes[0], x> extremes[1], y<extremes[2], y> extremes[3]};
            for (int e = 0; e < 4; ++e)
                if (beyond[e])
                    extremes[e] = e < 2 ? x : y, reached[e] = i;
        }
        g.text += "\n";
        g.table += name.substr(0, name.find(' ')) + "\t" + std::to_string(bases) + "\t" + std::to_string(x) + "\t" +
                   std::to_string(y);
        for (const std::uint64_t base : reached) // appended: GCC 12 warns about "\t" + a temporary here
            g.table.append(1, '\t').append(std::to_string(base));
        g.table += "\n";
    }
    return g;
}

// Each overview picture is the gallery's picture of a repeat spanning its record, for
// records held in memory, scaled down, and past the in-memory bound, drawn whole or in
// two parts at once; walk.tsv is the walk's end and first turning points, by plain
// cumulative sums. A stopped overview leaves the pictures it handed over and nothing else.
TEST(LongStretches, OverviewIsTheGallerysPictureOfEachRecord)
{
    ScratchDir dir;
    const OverviewGenome genome = MakeOverviewGenome({{"chr1 first", 100}, {"a/b", 60000}, {"A/B", 2500000}});
    const std::string& table = genome.table;
    const Gallery& gallery = genome.gallery;
    const fs::path plain = WriteFile(dir / "genome.fa", genome.text);
    for (const char* tool : {static_cast<const char*>(nullptr), "gzip"}) {
        SCOPED_TRACE(tool ? tool : "plain");
        const fs::path file = Compress(plain, dir / (tool ? "in.gz" : "in.fa"), tool);
        OverviewRequest request{file.string(), dir / "overview", PictureFormat::Bmp, PathStyle{}};
        request.partsFrom = 1000; // the two longer records in two parts, from a plain file
        const OverviewReport report = RunOverview(request);
        EXPECT_TRUE(report.sequence.ok() && report.page.ok() && report.table.ok() && report.unwritten.empty());
        EXPECT_EQ(ReadFile(dir / "overview" / "walk.tsv"), table);
        // Held whole in memory; read again from the file, whole or in two parts.
        for (const auto& [inMemory, partsFrom] :
             {std::pair{std::size_t{1} << 30, kDrawInPartsFrom}, std::pair{kStretchInMemory, kDrawInPartsFrom},
              std::pair{std::size_t{1000}, std::uint64_t{1000}}}) {
            Draw(dir / "gallery", file, {gallery}, inMemory, true, partsFrom);
            const char* names[] = {"chr1", "a_b", "A_B-2"}; // safe names, unique ignoring case
            for (std::size_t r = 0; r < 3; ++r)
                EXPECT_TRUE(ReadFile(dir / "overview" / (names[r] + std::string(".bmp"))) ==
                            ReadFile(dir / "gallery" / "g" / (std::to_string(gallery.stretches[r].first) + ".bmp")))
                    << names[r] << " in memory " << inMemory;
            fs::remove_all(dir / "gallery");
        }
        EXPECT_NE(ReadFile(dir / "overview" / "index.htm").find("Number of records: 3<br>"), std::string::npos);
    }
    // Stopped during the second record: the first picture stays, nothing else is left.
    bool walkedOne = false;
    OverviewRequest request{plain.string(), dir / "stopped", PictureFormat::Bmp, PathStyle{}};
    request.stop = [&walkedOne] { return walkedOne; };
    const OverviewReport stopped = RunOverview(request, [&](std::size_t done, std::size_t) { walkedOne = done > 0; });
    EXPECT_TRUE(stopped.stopped && stopped.page.ok() && stopped.sequence.ok());
    std::vector<fs::path> left(fs::directory_iterator(dir / "stopped"), fs::directory_iterator());
    ASSERT_EQ(left, std::vector<fs::path>{dir / "stopped" / "chr1.bmp"});
    EXPECT_EQ(ReadFile(left[0]), ReadFile(dir / "overview" / "chr1.bmp"));
}
