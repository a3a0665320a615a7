#pragma once

#include "core/files/io_error.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

namespace lirovane {

class Canvas;
struct BitmapPixels;

// One contiguous block: the 40-byte info header and the pixel rows
// (bottom row first, each padded to a multiple of 4 bytes).
using DibBlock = std::vector<std::uint8_t>;

inline constexpr std::uint32_t kBiRgb = 0;
inline constexpr std::uint32_t kBiBitfields = 3;

// Bytes per row of a device-independent bitmap: ((width * bits + 31) / 32) * 4.
std::int64_t DibStride(std::int64_t width, int bitsPerPixel) noexcept;

// Converts a captured bitmap of 24 or 32 bits a pixel into a DibBlock; nothing for
// compression 3 (bit fields), another depth, an empty bitmap or when the block cannot
// be allocated.
std::optional<DibBlock> CaptureToDib(const BitmapPixels& bitmap, std::uint32_t compression);

// Writes the 14-byte file header and the block. Fails without a block or when the
// file cannot be opened or fully written.
IoStatus WriteBitmapFile(const std::filesystem::path& file, const DibBlock* block);

// Saves the rectangle (0, 0)..(width, height) of a canvas as a BMP file.
// Succeeds only when the file was written completely.
IoStatus SaveImage(const std::filesystem::path& file, const Canvas& source, int width, int height);

} // namespace lirovane
