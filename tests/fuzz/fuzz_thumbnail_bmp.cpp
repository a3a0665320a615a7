// The gallery thumbnails' BMP reduction on arbitrary bytes as a file: a layout it
// takes lies inside the file, and every reduction of it gives opaque pixels.
#include "core/render/bmp_reduce.h"

#include "fuzz_input_files.h"

#include <algorithm>
#include <vector>

using namespace lirovane;
using namespace lirovane::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // A copy of exactly the input's size, so that a read past the file is caught.
    const std::vector<std::uint8_t> file(data, data + size);
    const auto bmp = ReadBmpLayout(file.data(), file.size());
    if (!bmp)
        return 0;
    LIROVANE_FUZZ_CHECK(bmp->width > 0 && bmp->height > 0 && bmp->offset >= 0);
    LIROVANE_FUZZ_CHECK(bmp->stride >= bmp->width * bmp->bytesPerPixel);
    LIROVANE_FUZZ_CHECK(static_cast<std::uint64_t>(bmp->offset) <= size &&
                        static_cast<std::uint64_t>(bmp->stride) <=
                            (size - static_cast<std::uint64_t>(bmp->offset)) / static_cast<std::uint64_t>(bmp->height));
    // The gallery's size, half the picture's and one pixel.
    const std::pair<std::int64_t, std::int64_t> sizes[] = {
        {100, 100}, {(bmp->width + 1) / 2, (bmp->height + 1) / 2}, {1, 1}};
    for (const auto& [w, h] : sizes) {
        const auto width = static_cast<int>(std::min<std::int64_t>(w, 4096));
        const auto height = static_cast<int>(std::min<std::int64_t>(h, 4096));
        std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
        if (!ReduceBmp(file.data(), *bmp, width, height, pixels.data(), static_cast<std::size_t>(width)))
            continue;
        LIROVANE_FUZZ_CHECK(bmp->width >= width && bmp->height >= height);
        LIROVANE_FUZZ_CHECK(std::all_of(pixels.begin(), pixels.end(), [](std::uint32_t p) { return p >> 24 == 0xFF; }));
    }
    return 0;
}
