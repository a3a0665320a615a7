// Pictures in BMP, PNG and SVG: the same picture in each. PNG is decoded and compared
// pixel for pixel with the BMP; SVG is drawn by a real renderer (rsvg-convert) and every
// drawn pixel must lie within one pixel of a drawn BMP pixel, and the other way round.
#include "core/batch/image_batch.h"
#include "core/render/path_renderer.h"
#include "core/render/picture_export.h"
#include "core/render/picture_format.h"
#include "core/render/png_export.h"
#include "core/render/raster_canvas.h"
#include "core/render/svg_canvas.h"
#include "core/settings/app_settings.h"
#include "core/viewer/strandscope_model.h"

#include "test_support.h"

#include <spng.h>

namespace {

// Pixels as red, green, blue, top row first.
struct Rgb {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> data;

    bool Drawn(int x, int y) const
    {
        const std::uint8_t* p =
            &data[(static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)) * 3];
        return p[0] != 255 || p[1] != 255 || p[2] != 255;
    }
};

std::uint32_t Le32(const std::string& b, std::size_t at)
{
    std::uint32_t value = 0;
    for (std::size_t i = 4; i-- > 0;)
        value = value << 8 | static_cast<unsigned char>(b[at + i]);
    return value;
}

// A 24-bit BMP as this program writes it.
Rgb ReadBmp(const fs::path& file)
{
    const std::string bytes = ReadFile(file);
    Rgb image;
    if (bytes.size() < 54 || bytes.compare(0, 2, "BM") != 0)
        return image;
    const std::size_t width = Le32(bytes, 18);
    const std::size_t height = Le32(bytes, 22);
    const std::size_t stride = (width * 3 + 3) / 4 * 4;
    image.width = static_cast<int>(width);
    image.height = static_cast<int>(height);
    image.data.resize(width * height * 3);
    for (std::size_t y = 0; y < height; ++y)
        for (std::size_t x = 0; x < width; ++x)
            for (std::size_t c = 0; c < 3; ++c) // stored bottom row first, blue first
                image.data[(y * width + x) * 3 + c] =
                    static_cast<std::uint8_t>(bytes[Le32(bytes, 10) + (height - 1 - y) * stride + x * 3 + (2 - c)]);
    return image;
}

struct PngInfo {
    Rgb pixels;
    spng_ihdr header{};
    bool ok = false;
};

// Decodes any PNG into 8-bit RGB over white.
PngInfo ReadPng(const fs::path& file)
{
    const std::string bytes = ReadFile(file);
    PngInfo info;
    spng_ctx* ctx = spng_ctx_new(0);
    std::size_t size = 0;
    if (spng_set_png_buffer(ctx, bytes.data(), bytes.size()) == 0 && spng_get_ihdr(ctx, &info.header) == 0 &&
        spng_decoded_image_size(ctx, SPNG_FMT_RGBA8, &size) == 0) {
        std::vector<std::uint8_t> rgba(size);
        if (spng_decode_image(ctx, rgba.data(), size, SPNG_FMT_RGBA8, 0) == 0) {
            info.pixels.width = static_cast<int>(info.header.width);
            info.pixels.height = static_cast<int>(info.header.height);
            info.pixels.data.resize(size / 4 * 3);
            for (std::size_t i = 0, o = 0; i < size; i += 4, o += 3)
                for (std::size_t c = 0; c < 3; ++c) // over white
                    info.pixels.data[o + c] =
                        static_cast<std::uint8_t>((rgba[i + c] * rgba[i + 3] + 255 * (255 - rgba[i + 3]) + 127) / 255);
            info.ok = true;
        }
    }
    spng_ctx_free(ctx);
    return info;
}

// The first drawn pixel of `a` with no drawn pixel of `b` within one pixel; empty when none.
std::string FarPixel(const Rgb& a, const Rgb& b)
{
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x) {
            if (!a.Drawn(x, y))
                continue;
            bool near = false;
            for (int d = 0; d < 9 && !near; ++d) {
                const int nx = x + d % 3 - 1;
                const int ny = y + d / 3 - 1;
                near = nx >= 0 && ny >= 0 && nx < b.width && ny < b.height && b.Drawn(nx, ny);
            }
            if (!near)
                return std::to_string(x) + "," + std::to_string(y);
        }
    return {};
}

Rgb RasteriseSvg(const fs::path& svg)
{
    const fs::path png = fs::path(svg).replace_extension(".rsvg.png");
    const std::string command = "rsvg-convert -o '" + png.string() + "' '" + svg.string() + "'";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    return ReadPng(png).pixels;
}

// The path data of a document, paths joined by "|".
std::string PathData(const std::string& svg)
{
    std::string paths;
    const std::regex path(" d=\"([^\"]*)\"");
    for (auto it = std::sregex_iterator(svg.begin(), svg.end(), path); it != std::sregex_iterator(); ++it) {
        if (!paths.empty())
            paths += '|';
        paths += (*it)[1].str();
    }
    return paths;
}

// Runs of steps in one direction, letters outside the table skipped.
std::size_t Runs(std::string_view stretch, const PathStyle& style)
{
    std::size_t runs = 0;
    DirectionSlot last = DirectionSlot::None;
    for (const char c : stretch) {
        const DirectionSlot slot = style.letters.SlotOf(static_cast<unsigned char>(c));
        if (slot != DirectionSlot::None && slot != last)
            ++runs;
        if (slot != DirectionSlot::None)
            last = slot;
    }
    return runs;
}

// A walk with drift, turns, runs and letters outside the table; `length` letters.
std::string Walk(std::size_t length, unsigned seed)
{
    std::mt19937 random(seed);
    static constexpr char kLetters[] = "aaacgtAACGTnx"; // left in every orientation, the rest balanced
    std::string walk;
    while (walk.size() < length) {
        const char c = kLetters[random() % (sizeof kLetters - 1)];
        walk.append(random() % 4 == 0 ? 1 + random() % 9 : 1, c);
    }
    walk.resize(length);
    return walk;
}

} // namespace

// One stretch saved in each format, per orientation, at full size and scaled down.
TEST(PictureFormats, SameGeometryInEveryFormat)
{
    ScratchDir dir;
    const struct {
        const char* name;
        std::size_t length;
        bool scaled;
        SvgResolution svg;
    } walks[] = {{"full", 6000, false, SvgResolution::Step},
                 {"scaled", 80000, true, SvgResolution::Step},
                 {"pixels", 80000, true, SvgResolution::Picture}}; // the BMP's path, no finer
    for (const auto& walk : walks) {
        for (const int orientation : {1, 2, 3}) {
            SCOPED_TRACE(std::string(walk.name) + " orientation " + std::to_string(orientation));
            const std::string stretch = Walk(walk.length, 7u + static_cast<unsigned>(orientation));
            PathStyle style{LetterTable::ForOrientation(orientation)};
            style.colors = {0x00102030u, 0x00405060u, 0x00708090u, 0x00A0B0C0u};
            const PathExtent extent = MeasurePath(stretch, style);
            ASSERT_EQ(extent.scale > 1, walk.scaled) << extent.scale;

            RasterCanvas scratch(1, 1);
            const std::string base = std::string(walk.name) + std::to_string(orientation);
            for (const PictureFormat format : {PictureFormat::Bmp, PictureFormat::Png, PictureFormat::Svg})
                ASSERT_TRUE(SavePathPicture(dir / (base + "." + std::string(PictureFormatName(format))), format,
                                            stretch, extent, style, scratch, "t", walk.svg));

            const Rgb bmp = ReadBmp(dir / (base + ".bmp"));
            ASSERT_EQ(bmp.width, extent.width);
            ASSERT_EQ(bmp.height, extent.height);

            const PngInfo png = ReadPng(dir / (base + ".png"));
            ASSERT_TRUE(png.ok);
            EXPECT_TRUE(png.header.color_type == SPNG_COLOR_TYPE_TRUECOLOR && png.header.bit_depth == 8 &&
                        png.header.interlace_method == 0);
            EXPECT_TRUE(png.pixels.data == bmp.data) << "PNG pixels differ from the BMP";

            const std::string svg = ReadFile(dir / (base + ".svg"));
            const int units = walk.svg == SvgResolution::Step ? extent.scale : 1;
            const std::string size = "width=\"" + std::to_string(extent.width) + "\" height=\"" +
                                     std::to_string(extent.height) + "\" viewBox=\"0 0 " +
                                     std::to_string(extent.width * units) + " " +
                                     std::to_string(extent.height * units) + "\"";
            EXPECT_NE(svg.find(size), std::string::npos) << size;
            // Each run of steps in one direction is one segment, every step kept when scaled down.
            const std::string data = PathData(svg);
            if (walk.svg == SvgResolution::Step) {
                EXPECT_EQ(static_cast<std::size_t>(std::count(data.begin(), data.end(), 'h') +
                                                   std::count(data.begin(), data.end(), 'v')),
                          Runs(stretch, style));
            }
            const Rgb drawn = RasteriseSvg(dir / (base + ".svg"));
            ASSERT_EQ(drawn.width, extent.width);
            ASSERT_EQ(drawn.height, extent.height);
            EXPECT_EQ(FarPixel(drawn, bmp), "") << "drawn in the SVG, far from the BMP's path";
            EXPECT_EQ(FarPixel(bmp, drawn), "") << "drawn in the BMP, far from the SVG's path";
            if (units == 1) { // on whole pixels the renderer has nothing to smooth
                EXPECT_TRUE(drawn.data == bmp.data) << "SVG at full size differs from the BMP";
            }
        }
    }
}

// The viewer's picture in each format, at zoom 1 and 3.
TEST(PictureFormats, ViewerPictureInEveryFormat)
{
    ScratchDir dir;
    const fs::path sequence = WriteFile(dir / "s.fa", ">s\n" + Walk(3000, 3));
    for (const int zoom : {1, 3}) {
        StrandscopeModel viewer;
        viewer.SetZoom(zoom);
        viewer.Load(sequence);
        const std::string base = "zoom" + std::to_string(zoom);
        for (const PictureFormat format : {PictureFormat::Bmp, PictureFormat::Png, PictureFormat::Svg})
            ASSERT_TRUE(viewer.SaveImage(dir / (base + "." + std::string(PictureFormatName(format))), format));
        const Rgb bmp = ReadBmp(dir / (base + ".bmp"));
        ASSERT_EQ(bmp.width, kViewerWidth);
        EXPECT_TRUE(ReadPng(dir / (base + ".png")).pixels.data == bmp.data) << zoom;
        EXPECT_TRUE(RasteriseSvg(dir / (base + ".svg")).data == bmp.data) << zoom;
        EXPECT_NE(ReadFile(dir / (base + ".svg"))
                      .find("<title>Sequence file: " + sequence.string() + ", start index 0, end index " +
                            viewer.EndText() + "</title>"),
                  std::string::npos);
    }
}

TEST(PictureFormats, SvgDocument)
{
    // The title takes any bytes and stays valid XML: markup escaped, bytes that are not
    // UTF-8 and control characters replaced.
    SvgCanvas empty(42, 42);
    const std::string document = empty.Document("a&b <c> \"d\" 'e' \xC3\xA9 \xFF\x01 \xED\xA0\x80.fa");
    EXPECT_NE(document.find("<title>a&amp;b &lt;c&gt; &quot;d&quot; &apos;e&apos; \xC3\xA9 \xEF\xBF\xBD\xEF\xBF\xBD "
                            "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD.fa</title>"),
              std::string::npos)
        << document;
    EXPECT_TRUE(document.starts_with("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg ") && document.ends_with("</svg>\n"));

    // Lines with one pen, each from where the last ended, are one path; a turn back is
    // a subpath of its own; a new pen or a jump starts a new path.
    const struct {
        const char* name;
        std::vector<std::array<int, 3>> lines; // x, y, pen colour; colour -1: MoveTo
        const char* paths;
    } cases[] = {
        {"one run", {{{10, 10, -1}}, {{6, 10, 1}}}, "M10 10h-4"},
        {"turns", {{{10, 10, -1}}, {{12, 10, 1}}, {{12, 7, 1}}, {{9, 4, 1}}}, "M10 10h2v-3l-3 -3"},
        {"turn back", {{{10, 10, -1}}, {{12, 10, 1}}, {{11, 10, 1}}}, "M10 10h2m0 0h-1"},
        {"new colour", {{{10, 10, -1}}, {{12, 10, 1}}, {{12, 12, 2}}}, "M10 10h2|M12 10v2"},
        {"jump", {{{10, 10, -1}}, {{12, 10, 1}}, {{20, 20, -1}}, {{20, 21, 1}}}, "M10 10h2|M20 20v1"},
    };
    for (const auto& c : cases) {
        SvgCanvas canvas(42, 42);
        for (const auto& [x, y, color] : c.lines) {
            if (color < 0) {
                canvas.MoveTo(x, y);
                continue;
            }
            canvas.SelectPen(2, static_cast<Color>(color));
            canvas.LineTo(x, y);
            canvas.ReleasePen();
        }
        EXPECT_EQ(PathData(canvas.Document("t")), c.paths) << c.name;
    }

    // Pen widths follow the viewBox scale.
    SvgCanvas scaled(10, 10, 4);
    scaled.SelectPen(2, kBlack);
    scaled.LineTo(4, 0);
    EXPECT_NE(scaled.Document("t").find("stroke-width:8}"), std::string::npos);
}

// The batch as SVG: the page links and shows the drawings, each titled with its stretch.
TEST(PictureFormats, BatchPageOfDrawings)
{
    ScratchDir dir;
    const AppSettings settings = FirstRun(WriteFile(dir / "s.fa", "ACGTACGTACGTAAAA").string());
    WriteFile(dir / "starts.txt", "3\r\n9\r\n");
    WriteFile(dir / "ends.txt", "7\r\n15\r\n");
    QuietDisplay display;
    ASSERT_EQ(CreateImages(settings, display, dir.Path(), PictureFormat::Svg).pictures, 2);
    EXPECT_NE(ReadFile(dir / "index.htm")
                  .find("<table><tr><td><center><a href=\"3.svg\"><img width=100 height=100 src=3.svg></a><br>3"),
              std::string::npos);
    EXPECT_NE(
        ReadFile(dir / "9.svg").find("<title>Sequence file: " + settings.sequenceFile + ", positions 9 to 15</title>"),
        std::string::npos);
}

// A PNG cut short by the file size limit fails and leaves no file, not even a hidden one;
// an earlier picture of the same name keeps its bytes (SVG: the no-loss tests).
TEST(PictureFormats, WriteCutShortLeavesNothing)
{
    ScratchDir dir;
    const std::string earlier = "earlier picture";
    WriteFile(dir / "kept.png", earlier);
    const int status = InChild([&] {
        LimitFileSize(400);
        RasterCanvas noise(200, 200); // pixels that do not compress
        std::mt19937 random(1);
        for (std::uint8_t& byte : noise.Data())
            byte = static_cast<std::uint8_t>(random());
        return SavePng(dir / "p.png", noise, 200, 200) || SavePng(dir / "kept.png", noise, 200, 200) ? 1 : 0;
    });
    EXPECT_EQ(status, 0) << "a write past the limit was reported as done";
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(dir.Path()))
        left.push_back(entry.path().filename().string());
    EXPECT_EQ(left, std::vector<std::string>{"kept.png"});
    EXPECT_EQ(ReadFile(dir / "kept.png"), earlier);
}
