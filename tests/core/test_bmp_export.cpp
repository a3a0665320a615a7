#include "render/bmp_export.h"
#include "render/canvas.h"
#include "render/path_renderer.h"
#include "render/raster_canvas.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

using namespace lirovane;
namespace fs = std::filesystem;

namespace {

std::vector<std::uint8_t> ReadAll(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::uint32_t U16(const std::vector<std::uint8_t>& b, std::size_t at)
{
    return std::uint32_t{b[at]} | (std::uint32_t{b[at + 1]} << 8);
}

std::uint32_t U32(const std::vector<std::uint8_t>& b, std::size_t at)
{
    return U16(b, at) | (U16(b, at + 2) << 16);
}

// A surface that is not a RasterCanvas, so SaveImage takes the capture road.
class ForwardingCanvas final : public Canvas {
public:
    explicit ForwardingCanvas(RasterCanvas& inner) : m_inner(inner) {}
    void FillRect(int l, int t, int r, int b, StockBrush brush) override { m_inner.FillRect(l, t, r, b, brush); }
    void MoveTo(int x, int y) override { m_inner.MoveTo(x, y); }
    void SelectPen(int w, Color c) override { m_inner.SelectPen(w, c); }
    void ReleasePen() override { m_inner.ReleasePen(); }
    void LineTo(int x, int y) override { m_inner.LineTo(x, y); }
    void TextOut(int, int, std::string_view) override {}
    void Rectangle(int l, int t, int r, int b) override { m_inner.Rectangle(l, t, r, b); }
    void SelectBrush(Color c) override { m_inner.SelectBrush(c); }
    void ReleaseBrush() override { m_inner.ReleaseBrush(); }
    int Width() const override { return m_inner.Width(); }
    int Height() const override { return m_inner.Height(); }
    std::optional<BitmapPixels> ReadBitmap(int w, int h) const override { return m_inner.ReadBitmap(w, h); }

private:
    RasterCanvas& m_inner;
};

class BmpExport : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() /
                ("lirovane-bmp-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }
    std::size_t FilesInDir() const { return static_cast<std::size_t>(std::distance(fs::directory_iterator(m_dir), {})); }

    fs::path m_dir;
};

} // namespace

TEST_F(BmpExport, LayoutFigures)
{
    struct Case {
        int width, height, bits;
        std::uint32_t stride, imageSize, offBits, fileSize;
    };
    const Case cases[] = {
        {650, 380, 24, 1952, 741760, 54, 741814},
        {650, 380, 32, 2600, 988000, 54, 988054},
        {42, 42, 24, 128, 5376, 54, 5430},
        {650, 380, 8, 652, 247760, 1078, 248838},
        {10, 2, 4, 8, 16, 118, 134},
        {33, 1, 1, 8, 8, 62, 70},
        {3, 1, 16, 8, 8, 54, 62},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + "@" + std::to_string(c.bits));
        EXPECT_EQ(DibStride(c.width, c.bits), c.stride);
        BitmapPixels pixels{c.width, c.height, c.bits, static_cast<int>(c.stride), {}};
        pixels.data.assign(std::size_t{c.stride} * static_cast<std::size_t>(c.height), 0x5A);
        const auto block = CaptureToDib(pixels, kBiRgb);
        ASSERT_TRUE(block);
        const fs::path file = m_dir / "out.bmp";
        ASSERT_TRUE(WriteBitmapFile(file, &*block));
        const auto bytes = ReadAll(file);
        ASSERT_EQ(bytes.size(), c.fileSize);
        EXPECT_EQ(U16(bytes, 0), 0x4D42u);
        EXPECT_EQ(U32(bytes, 2), c.fileSize);
        EXPECT_EQ(U32(bytes, 6), 0u);
        EXPECT_EQ(U32(bytes, 10), c.offBits);
        EXPECT_EQ(U32(bytes, 14), 40u);
        EXPECT_EQ(U32(bytes, 18), static_cast<std::uint32_t>(c.width));
        EXPECT_EQ(U32(bytes, 22), static_cast<std::uint32_t>(c.height));
        EXPECT_EQ(U16(bytes, 26), 1u);
        EXPECT_EQ(U16(bytes, 28), static_cast<std::uint32_t>(c.bits));
        EXPECT_EQ(U32(bytes, 34), c.imageSize);
        for (std::size_t at : {30u, 38u, 42u, 46u, 50u})
            EXPECT_EQ(U32(bytes, at), 0u) << at;
    }
}

TEST_F(BmpExport, PictureIsByteExactBottomRowFirstWithPadding)
{
    // 42 x 42 picture of "AAAA": red line on rows 20 and 21, plus a marker on the top row.
    RasterCanvas canvas(42, 42);
    canvas.SelectPen(1, 0x00010203u);
    canvas.MoveTo(0, 0);
    canvas.LineTo(0, 0);
    canvas.ReleasePen();
    const fs::path file = m_dir / "1.bmp";
    ASSERT_TRUE(SaveImage(file, canvas, 42, 42));
    const auto bytes = ReadAll(file);
    ASSERT_EQ(bytes.size(), 5430u);
    const std::vector<std::uint8_t> head{0x42, 0x4D, 0x36, 0x15, 0, 0, 0, 0, 0, 0, 0x36, 0, 0, 0, 0x28, 0, 0, 0,
                                         0x2A, 0,    0,    0,    0x2A, 0, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0, 0, 0x15,
                                         0,    0,    0,    0,    0,    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 54), head);
    for (std::size_t row = 0; row < 42; ++row) {
        const std::size_t at = 54 + row * 128;
        EXPECT_EQ(bytes[at + 126], 0) << row;
        EXPECT_EQ(bytes[at + 127], 0) << row;
        const bool top = row == 41; // the last row in the file is the top of the picture
        EXPECT_EQ(bytes[at], top ? 0x01 : 0xFF) << row; // blue, green, red
        EXPECT_EQ(bytes[at + 2], top ? 0x03 : 0xFF) << row;
    }
}

TEST_F(BmpExport, DirectAndCapturedRoadsWriteTheSameBytes)
{
    const std::string stretch = "ACGTTTGGGCCCAAAAAAAATTGCAGGGGGGGTTTTTTTTT";
    const PathStyle style;
    const PathExtent extent = MeasurePath(stretch, style);
    RasterCanvas canvas(extent.width + 5, extent.height + 3); // larger than the picture
    DrawPath(stretch, extent, style, canvas);
    ForwardingCanvas other(canvas);
    ASSERT_TRUE(SaveImage(m_dir / "direct.bmp", canvas, extent.width, extent.height));
    ASSERT_TRUE(SaveImage(m_dir / "captured.bmp", other, extent.width, extent.height));
    EXPECT_EQ(ReadAll(m_dir / "direct.bmp"), ReadAll(m_dir / "captured.bmp"));
}

TEST_F(BmpExport, ColourTableAndLowDepthRows)
{
    // 1 bit, 10 pixels a row: 2 bytes of pixels, bits past the last pixel cleared, 2 of padding.
    BitmapPixels pixels{10, 2, 1, 2, {0xFF, 0xFF, 0x80, 0x00}};
    const std::vector<std::uint32_t> palette{0x00112233u, 0x00445566u};
    const auto block = CaptureToDib(pixels, kBiRgb, &palette);
    ASSERT_TRUE(block);
    const std::vector<std::uint8_t> expected{0x11, 0x22, 0x33, 0, 0x44, 0x55, 0x66, 0, // table: blue, green, red, 0
                                             0x80, 0x00, 0, 0, 0xFF, 0xC0, 0, 0};        // bottom row first
    EXPECT_EQ(std::vector<std::uint8_t>(block->begin() + 40, block->end()), expected);

    // No palette: a grey ramp.
    const auto grey = CaptureToDib(BitmapPixels{1, 1, 4, 1, {0x00}}, kBiRgb);
    ASSERT_TRUE(grey);
    EXPECT_EQ((*grey)[40 + 4 * 15], 0xFF);
    EXPECT_EQ((*grey)[40 + 4 * 1 + 1], 17);
}

TEST_F(BmpExport, RefusedInputs)
{
    const BitmapPixels good{2, 2, 24, 6, std::vector<std::uint8_t>(12, 0)};
    EXPECT_TRUE(CaptureToDib(good, kBiRgb));
    EXPECT_FALSE(CaptureToDib(good, kBiBitfields));
    EXPECT_FALSE(CaptureToDib(BitmapPixels{0, 2, 24, 0, {}}, kBiRgb));
    EXPECT_FALSE(CaptureToDib(BitmapPixels{2, 2, 24, 6, std::vector<std::uint8_t>(11, 0)}, kBiRgb));
    EXPECT_FALSE(CaptureToDib(BitmapPixels{2, 2, 12, 6, std::vector<std::uint8_t>(12, 0)}, kBiRgb));
    EXPECT_FALSE(WriteBitmapFile(m_dir / "none.bmp", nullptr));

    RasterCanvas canvas(10, 10);
    EXPECT_FALSE(SaveImage(m_dir / "zero.bmp", canvas, 0, 10));
    EXPECT_FALSE(SaveImage(m_dir / "big.bmp", ForwardingCanvas(canvas), 11, 10));
    EXPECT_FALSE(SaveImage(m_dir / "missing" / "dir.bmp", canvas, 10, 10));
    EXPECT_FALSE(SaveImage(m_dir / "*.bmp", canvas, 10, 10));
    EXPECT_FALSE(SaveImage(m_dir, canvas, 10, 10)); // a directory, not a file
    EXPECT_EQ(FilesInDir(), 0u);                    // nothing half-written left behind
}

TEST_F(BmpExport, RewriteReplacesTheWholeFile)
{
    const fs::path file = m_dir / "7.bmp";
    RasterCanvas big(650, 380);
    RasterCanvas small(42, 42);
    ASSERT_TRUE(SaveImage(file, big, 650, 380));
    EXPECT_EQ(fs::file_size(file), 741814u);
    ASSERT_TRUE(SaveImage(file, small, 42, 42));
    EXPECT_EQ(fs::file_size(file), 5430u);
    EXPECT_EQ(FilesInDir(), 1u);
}
