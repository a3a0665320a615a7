#include "core/render/bmp_reduce.h"

#include <algorithm>
#include <vector>

namespace lirovane {

namespace {

std::uint32_t U32(const std::uint8_t* p)
{
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[3]) << 24);
}

// Adds the bytes of the rows [top, bottom) into `acc`, byte by byte (a loop the
// compiler vectorises).
void SumRows(const std::uint8_t* data, const BmpLayout& bmp, std::int64_t top, std::int64_t bottom,
             std::vector<std::uint32_t>& acc)
{
    std::fill(acc.begin(), acc.end(), 0u);
    const std::size_t rowBytes = acc.size();
    for (std::int64_t sy = top; sy < bottom; ++sy) {
        // Rows are stored bottom row first.
        const std::uint8_t* row = data + bmp.offset + (bmp.height - 1 - sy) * bmp.stride;
        std::uint32_t* a = acc.data();
        for (std::size_t i = 0; i < rowBytes; ++i)
            a[i] += row[i];
    }
}

// One output row from the summed band of `rows` source rows: the columns of each
// output pixel averaged.
void AverageColumns(const std::vector<std::uint32_t>& acc, const BmpLayout& bmp, std::int64_t rows, std::uint32_t* line,
                    int width)
{
    for (int x = 0; x < width; ++x) {
        const std::int64_t left = std::int64_t{x} * bmp.width / width;
        const std::int64_t right = std::int64_t{x + 1} * bmp.width / width;
        std::uint32_t b = 0, g = 0, r = 0;
        for (std::int64_t sx = left; sx < right; ++sx) {
            const std::uint32_t* p = acc.data() + sx * bmp.bytesPerPixel;
            b += p[0];
            g += p[1];
            r += p[2];
        }
        const auto n = static_cast<std::uint32_t>(rows * (right - left));
        line[x] = 0xFF000000u | ((r / n) << 16) | ((g / n) << 8) | (b / n);
    }
}

} // namespace

std::optional<BmpLayout> ReadBmpLayout(const std::uint8_t* data, std::uint64_t length)
{
    if (data == nullptr || length < 54 || data[0] != 'B' || data[1] != 'M')
        return std::nullopt;
    const std::uint32_t headerSize = U32(data + 14);
    const int bits = data[28] | (data[29] << 8);
    const std::uint32_t compression = U32(data + 30);
    BmpLayout layout;
    layout.offset = U32(data + 10);
    layout.width = static_cast<std::int32_t>(U32(data + 18));
    layout.height = static_cast<std::int32_t>(U32(data + 22));
    if (headerSize < 40 || compression != 0 || (bits != 24 && bits != 32) || layout.width <= 0 || layout.height <= 0)
        return std::nullopt;
    layout.bytesPerPixel = bits / 8;
    layout.stride = ((layout.width * bits + 31) / 32) * 4;
    // Rows past the end of the file, checked without the product that can overflow
    // for a forged width and height.
    const auto available = static_cast<std::int64_t>(std::min<std::uint64_t>(length, INT64_MAX));
    if (layout.offset > available || layout.stride > (available - layout.offset) / layout.height)
        return std::nullopt;
    return layout;
}

bool ReduceBmp(const std::uint8_t* data, const BmpLayout& bmp, int width, int height, std::uint32_t* pixels,
               std::size_t pixelsPerRow)
{
    if (width <= 0 || height <= 0 || bmp.width < width || bmp.height < height)
        return false; // not a reduction
    if ((bmp.width / width + 1) * (bmp.height / height + 1) > 16'000'000)
        return false; // the 32-bit sums of one output pixel must not overflow
    // Rows of a band are summed first, then the columns of each output pixel.
    std::vector<std::uint32_t> acc(static_cast<std::size_t>(bmp.width * bmp.bytesPerPixel));
    for (int y = 0; y < height; ++y) {
        const std::int64_t top = std::int64_t{y} * bmp.height / height;
        const std::int64_t bottom = std::int64_t{y + 1} * bmp.height / height;
        SumRows(data, bmp, top, bottom, acc);
        AverageColumns(acc, bmp, bottom - top, pixels + static_cast<std::size_t>(y) * pixelsPerRow, width);
    }
    return true;
}

} // namespace lirovane
