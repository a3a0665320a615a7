#pragma once

#include "core/render/color.h"

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace lirovane {

enum class StockBrush { White, Black };

// Pixels of a surface read back in device-independent form: rows top row first,
// each row `stride` bytes, pixels blue, green, red (and an unused byte at 32 bits).
struct BitmapPixels {
    int width = 0;
    int height = 0;
    int bitsPerPixel = 24;
    int stride = 0;
    std::vector<std::uint8_t> data;
};

// A drawing surface of integer pixels, x to the right and y downward from (0, 0).
// These are the only operations the renderer, the batch and the export use.
class Canvas {
public:
    virtual ~Canvas() = default;

    // Fills [left, right) x [top, bottom) with a stock brush.
    virtual void FillRect(int left, int top, int right, int bottom, StockBrush brush) = 0;
    virtual void MoveTo(int x, int y) = 0;
    // Makes and selects a solid pen; ReleasePen goes back to the default black 1-pixel pen.
    virtual void SelectPen(int width, Color color) = 0;
    virtual void ReleasePen() = 0;
    // Draws from the current point to (x, y), which becomes the current point.
    virtual void LineTo(int x, int y) = 0;
    // Text at a point in the surface's default font and colours (window surfaces only).
    virtual void TextOut(int x, int y, std::string_view text) = 0;
    // Outline with the current pen, inside with the current brush (default white).
    virtual void Rectangle(int left, int top, int right, int bottom) = 0;
    virtual void SelectBrush(Color color) = 0;
    virtual void ReleaseBrush() = 0;

    virtual int Width() const = 0;
    virtual int Height() const = 0;
    // Reads the rectangle (0, 0)..(width, height) of the surface; nothing when the
    // surface cannot be read or the size is not positive.
    virtual std::optional<BitmapPixels> ReadBitmap(int width, int height) const = 0;

protected:
    // The outline of [left, right) x [top, bottom) on its border pixels, as four lines
    // with the current pen; then the current point is (x, y) again. Surfaces that draw
    // lines themselves draw Rectangle's outline with it.
    void OutlineRectangle(int left, int top, int right, int bottom, int x, int y);
};

} // namespace lirovane
