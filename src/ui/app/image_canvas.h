#pragma once

#include "core/render/canvas.h"

#include <QFont>
#include <QImage>

// A Canvas on a QImage, drawn with QPainter: the view's wait surface and any other
// window surface. Text is drawn in the given font, black on white, as a window's
// default colours are.
class QImageCanvas final : public lirovane::Canvas {
public:
    explicit QImageCanvas(QImage& image, const QFont& font = QFont());

    void FillRect(int left, int top, int right, int bottom, lirovane::StockBrush brush) override;
    void MoveTo(int x, int y) override;
    void SelectPen(int width, lirovane::Color color) override;
    void ReleasePen() override;
    void LineTo(int x, int y) override;
    void TextOut(int x, int y, std::string_view text) override;
    void Rectangle(int left, int top, int right, int bottom) override;
    void SelectBrush(lirovane::Color color) override;
    void ReleaseBrush() override;
    int Width() const override { return m_image.width(); }
    int Height() const override { return m_image.height(); }
    std::optional<lirovane::BitmapPixels> ReadBitmap(int width, int height) const override;

    void setFont(const QFont& font) { m_font = font; }
    // The part of the image drawn on since the last call.
    QRect takeDirty();

private:
    void Touch(const QRect& rect) { m_dirty |= rect; }

    QImage& m_image;
    QRect m_dirty;
    QFont m_font;
    int m_x = 0;
    int m_y = 0;
    int m_penWidth = 1;
    lirovane::Color m_penColor = lirovane::kBlack;
    lirovane::Color m_brushColor = lirovane::kWhite;
};
