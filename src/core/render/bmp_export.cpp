#include "core/render/bmp_export.h"

#include "core/files/output_file.h"
#include "core/files/read_block.h"
#include "core/render/canvas.h"
#include "core/render/picture_format.h"
#include "core/render/raster_canvas.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <string>

namespace lirovane {

namespace {

constexpr std::uint32_t kFileHeaderSize = 14;
constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::uint64_t kMaxFileSize = std::numeric_limits<std::uint32_t>::max();
constexpr std::size_t kWriteChunk = std::size_t{1} << 20;

void Put16(std::uint8_t* p, std::uint32_t v) noexcept
{
    p[0] = static_cast<std::uint8_t>(v & 0xFFu);
    p[1] = static_cast<std::uint8_t>((v >> 8) & 0xFFu);
}

void Put32(std::uint8_t* p, std::uint32_t v) noexcept
{
    Put16(p, v & 0xFFFFu);
    Put16(p + 2, v >> 16);
}

std::uint32_t Get16(const std::uint8_t* p) noexcept
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8);
}

std::uint32_t Get32(const std::uint8_t* p) noexcept
{
    return Get16(p) | (Get16(p + 2) << 16);
}

// Every canvas reads back 24 bits a pixel (32 with an unused byte); no colour table.
bool SupportedDepth(int bits) noexcept
{
    return bits == 24 || bits == 32;
}

// `p` points at 40 zeroed bytes.
void FillInfoHeader(std::uint8_t* p, int width, int height, int bits, std::uint32_t imageSize) noexcept
{
    Put32(p + 0, kInfoHeaderSize);
    Put32(p + 4, static_cast<std::uint32_t>(width));
    Put32(p + 8, static_cast<std::uint32_t>(height)); // positive: bottom row first
    Put16(p + 12, 1);
    Put16(p + 14, static_cast<std::uint32_t>(bits));
    Put32(p + 16, kBiRgb);
    Put32(p + 20, imageSize);
    // Pels per metre, colours used and important colours stay 0.
}

std::array<std::uint8_t, kFileHeaderSize> FileHeader(std::uint64_t blockSize, std::uint32_t offBits) noexcept
{
    std::array<std::uint8_t, kFileHeaderSize> h{};
    Put16(h.data(), 0x4D42u); // "BM"
    Put32(h.data() + 2, static_cast<std::uint32_t>(blockSize + kFileHeaderSize));
    Put32(h.data() + 10, offBits);
    return h;
}

// The raster canvas is written row by row straight from its pixels, without the two
// full-size copies that capture and conversion would make: same bytes, bounded memory.
IoStatus SaveRaster(const std::filesystem::path& file, const RasterCanvas& canvas, int width, int height)
{
    const std::uint64_t stride = static_cast<std::uint64_t>(DibStride(width, 24));
    const std::uint64_t imageSize = stride * static_cast<std::uint64_t>(height);
    if (imageSize + kInfoHeaderSize + kFileHeaderSize > kMaxFileSize)
        return UnsavablePicture(file, width, height);

    std::array<std::uint8_t, kFileHeaderSize + kInfoHeaderSize> head{};
    const auto fileHeader = FileHeader(kInfoHeaderSize + imageSize, kFileHeaderSize + kInfoHeaderSize);
    std::copy(fileHeader.begin(), fileHeader.end(), head.begin());
    FillInfoHeader(head.data() + kFileHeaderSize, width, height, 24, static_cast<std::uint32_t>(imageSize));

    OutputFile out(file);
    if (!out.IsOpen())
        return out.Status();

    // Header and rows go out through one buffer of at most 1 MiB: a small picture is a
    // single write. Only the padding bytes are cleared, never the whole buffer.
    const std::size_t srcStride = static_cast<std::size_t>(canvas.Width()) * 3u;
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 3u;
    const std::size_t padding = static_cast<std::size_t>(stride) - rowBytes;
    const std::size_t total = head.size() + static_cast<std::size_t>(imageSize);
    const std::size_t bufferSize = std::min(total, std::max<std::size_t>(kWriteChunk, head.size() + stride));
    ReadBlock buffer(bufferSize); // a block kept from the last picture, its pages already in memory
    std::memcpy(buffer.data(), head.data(), head.size());
    std::size_t filled = head.size();
    for (int y = height - 1; y >= 0; --y) {
        if (filled + stride > bufferSize) {
            if (!out.Write(buffer.data(), filled))
                return out.Close();
            filled = 0;
        }
        std::uint8_t* row = buffer.data() + filled;
        std::memcpy(row, canvas.Data().data() + srcStride * static_cast<std::size_t>(y), rowBytes);
        std::memset(row + rowBytes, 0, padding);
        filled += stride;
    }
    out.Write(buffer.data(), filled);
    return out.Close();
}

} // namespace

std::int64_t DibStride(std::int64_t width, int bitsPerPixel) noexcept
{
    return ((width * bitsPerPixel + 31) / 32) * 4;
}

std::optional<DibBlock> CaptureToDib(const BitmapPixels& bitmap, std::uint32_t compression)
{
    // Only uncompressed output is made; bit fields (3) in particular are refused.
    if (compression != kBiRgb)
        return std::nullopt;
    const int bits = bitmap.bitsPerPixel;
    if (bitmap.width <= 0 || bitmap.height <= 0 || !SupportedDepth(bits))
        return std::nullopt;

    const std::uint64_t width = static_cast<std::uint64_t>(bitmap.width);
    const std::uint64_t height = static_cast<std::uint64_t>(bitmap.height);
    const std::uint64_t rowBytes = width * static_cast<std::uint64_t>(bits / 8);
    const std::uint64_t srcStride = bitmap.stride > 0 ? static_cast<std::uint64_t>(bitmap.stride) : 0;
    // Refuse pixels that do not hold every row they claim.
    if (srcStride < rowBytes || bitmap.data.size() < srcStride * (height - 1) + rowBytes)
        return std::nullopt;

    const std::uint64_t stride = static_cast<std::uint64_t>(DibStride(bitmap.width, bits));
    const std::uint64_t imageSize = stride * height;
    const std::uint64_t blockSize = kInfoHeaderSize + imageSize;
    if (blockSize + kFileHeaderSize > kMaxFileSize)
        return std::nullopt;

    DibBlock block;
    try {
        block.assign(static_cast<std::size_t>(blockSize), 0);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
    FillInfoHeader(block.data(), bitmap.width, bitmap.height, bits, static_cast<std::uint32_t>(imageSize));

    // Rows bottom row first; the padding stays 0.
    std::uint8_t* rows = block.data() + kInfoHeaderSize;
    for (std::uint64_t y = 0; y < height; ++y)
        std::memcpy(rows + stride * (height - 1 - y), bitmap.data.data() + srcStride * y,
                    static_cast<std::size_t>(rowBytes));
    return block;
}

IoStatus WriteBitmapFile(const std::filesystem::path& file, const DibBlock* block)
{
    if (block == nullptr || block->size() < kInfoHeaderSize || block->size() + kFileHeaderSize > kMaxFileSize)
        return IoError::Content(file, 0, "no picture of a size a BMP file can hold");
    if (!IsPictureFileName(file))
        return BadPictureName(file);
    const std::uint32_t offBits = kFileHeaderSize + Get32(block->data()); // no colour table

    OutputFile out(file);
    const auto header = FileHeader(block->size(), offBits);
    if (out.Write(header.data(), header.size()))
        out.Write(block->data(), block->size());
    return out.Close();
}

IoStatus SaveImage(const std::filesystem::path& file, const Canvas& source, int width, int height)
{
    if (IoStatus request = CheckPictureRequest(file, width, height); !request)
        return request;
    if (const RasterCanvas* raster = CoveringRaster(source, width, height))
        return SaveRaster(file, *raster, width, height);

    const std::optional<BitmapPixels> pixels = source.ReadBitmap(width, height);
    if (!pixels)
        return UnsavablePicture(file, width, height);
    const std::optional<DibBlock> block = CaptureToDib(*pixels, kBiRgb);
    if (!block)
        return UnsavablePicture(file, width, height);
    return WriteBitmapFile(file, &*block);
}

} // namespace lirovane
