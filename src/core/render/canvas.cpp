#include "core/render/canvas.h"

#include <algorithm>
#include <cstdint>

namespace lirovane {

CopySpan ClipCopy(int x, int y, int width, int height, int destWidth, int destHeight, int srcX, int srcY,
                  int srcWidth, int srcHeight)
{
    const std::int64_t skipX = std::max<std::int64_t>({0, -std::int64_t{x}, -std::int64_t{srcX}});
    const std::int64_t skipY = std::max<std::int64_t>({0, -std::int64_t{y}, -std::int64_t{srcY}});
    const std::int64_t w = std::min<std::int64_t>(
        {std::int64_t{width}, std::int64_t{destWidth} - x, std::int64_t{srcWidth} - srcX});
    const std::int64_t h = std::min<std::int64_t>(
        {std::int64_t{height}, std::int64_t{destHeight} - y, std::int64_t{srcHeight} - srcY});
    CopySpan span;
    if (w <= skipX || h <= skipY)
        return span;
    span.skipX = static_cast<int>(skipX);
    span.skipY = static_cast<int>(skipY);
    span.width = static_cast<int>(w - skipX);
    span.height = static_cast<int>(h - skipY);
    return span;
}

void Canvas::CopyRect(int x, int y, int width, int height, const Canvas& source, int srcX, int srcY)
{
    const CopySpan span = ClipCopy(x, y, width, height, Width(), Height(), srcX, srcY, source.Width(), source.Height());
    if (span.width == 0)
        return;
    const int right = srcX + span.skipX + span.width;
    const int bottom = srcY + span.skipY + span.height;
    const std::optional<BitmapPixels> pixels = source.ReadBitmap(right, bottom);
    if (!pixels || (pixels->bitsPerPixel != 24 && pixels->bitsPerPixel != 32))
        return;
    const std::size_t bytesPerPixel = static_cast<std::size_t>(pixels->bitsPerPixel / 8);
    for (int row = 0; row < span.height; ++row) {
        const int sy = srcY + span.skipY + row;
        for (int col = 0; col < span.width; ++col) {
            const int sx = srcX + span.skipX + col;
            const std::size_t at = static_cast<std::size_t>(sy) * static_cast<std::size_t>(pixels->stride) +
                                   static_cast<std::size_t>(sx) * bytesPerPixel;
            const std::uint8_t* p = pixels->data.data() + at;
            const int dx = x + span.skipX + col;
            const int dy = y + span.skipY + row;
            SelectPen(1, MakeColor(p[2], p[1], p[0]));
            MoveTo(dx, dy);
            LineTo(dx, dy);
        }
    }
    ReleasePen();
}

} // namespace lirovane
