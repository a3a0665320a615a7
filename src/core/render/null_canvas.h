#pragma once

#include "core/render/canvas.h"

namespace lirovane {

// A surface of a given size that draws nothing and cannot be read back: it stands in
// where there is no window to draw on (the command line, a viewer without a screen).
// Tests derive from it to record the few calls they look at.
class NullCanvas : public Canvas {
public:
    NullCanvas(int width, int height) noexcept : m_width(width), m_height(height) {}

    void FillRect(int, int, int, int, StockBrush) override {}
    void MoveTo(int, int) override {}
    void SelectPen(int, Color) override {}
    void ReleasePen() override {}
    void LineTo(int, int) override {}
    void TextOut(int, int, std::string_view) override {}
    void Rectangle(int, int, int, int) override {}
    void SelectBrush(Color) override {}
    void ReleaseBrush() override {}
    int Width() const override { return m_width; }
    int Height() const override { return m_height; }
    std::optional<BitmapPixels> ReadBitmap(int, int) const override { return std::nullopt; }

private:
    int m_width;
    int m_height;
};

} // namespace lirovane
