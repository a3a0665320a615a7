#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace lirovane {

// Where the pixels of an uncompressed bottom-up BGR(A) BMP file lie.
struct BmpLayout {
    std::int64_t offset = 0;
    std::int64_t width = 0;
    std::int64_t height = 0;
    std::int64_t bytesPerPixel = 0;
    std::int64_t stride = 0;
};

// The layout of a BMP file held in `length` bytes at `data`; nothing when it is not
// one the reduction takes: 24 or 32 bits a pixel, no compression, a positive width
// and height, and every row inside the file.
std::optional<BmpLayout> ReadBmpLayout(const std::uint8_t* data, std::uint64_t length);

// Box-averages the picture into `width` x `height` pixels of 0xFFRRGGBB, `pixelsPerRow`
// apart, top row first. False, writing nothing, when the picture is smaller than
// that either way or its boxes are too large for 32-bit sums.
bool ReduceBmp(const std::uint8_t* data, const BmpLayout& bmp, int width, int height, std::uint32_t* pixels,
               std::size_t pixelsPerRow);

} // namespace lirovane
