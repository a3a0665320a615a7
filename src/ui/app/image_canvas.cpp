#include "ui/app/image_canvas.h"

#include "ui/app/qt_color.h"

#include <QPainter>

#include <algorithm>

using lirovane::Color;

QImageCanvas::QImageCanvas(QImage& image, const QFont& font) : m_image(image), m_font(font) {}

void QImageCanvas::FillRect(int left, int top, int right, int bottom, lirovane::StockBrush brush)
{
    if (right <= left || bottom <= top)
        return;
    const QRect rect(left, top, right - left, bottom - top);
    Touch(rect);
    const QImage::Format format = m_image.format();
    if (format == QImage::Format_RGB32 || format == QImage::Format_ARGB32 ||
        format == QImage::Format_ARGB32_Premultiplied) {
        // Opaque white or black on 32-bit pixels: plain stores, no painter. The batch
        // fills the progress bar after every one of thousands of pictures.
        const QRect inside = rect & m_image.rect();
        const QRgb value = brush == lirovane::StockBrush::White ? qRgb(255, 255, 255) : qRgb(0, 0, 0);
        for (int y = inside.top(); y <= inside.bottom(); ++y)
            std::fill_n(reinterpret_cast<QRgb*>(m_image.scanLine(y)) + inside.left(), inside.width(), value);
        return;
    }
    QPainter painter(&m_image);
    painter.fillRect(rect, brush == lirovane::StockBrush::White ? Qt::white : Qt::black);
}

void QImageCanvas::MoveTo(int x, int y)
{
    m_x = x;
    m_y = y;
}

void QImageCanvas::SelectPen(int width, Color color)
{
    m_penWidth = std::max(1, width);
    m_penColor = color;
}

void QImageCanvas::ReleasePen()
{
    m_penWidth = 1;
    m_penColor = lirovane::kBlack;
}

void QImageCanvas::LineTo(int x, int y)
{
    QPainter painter(&m_image);
    if (m_penWidth == 1) {
        painter.setPen(QPen(ToQColor(m_penColor), 1));
        painter.drawLine(m_x, m_y, x, y);
        Touch(QRect(QPoint(std::min(m_x, x), std::min(m_y, y)), QPoint(std::max(m_x, x), std::max(m_y, y))));
    } else {
        // A square pen stamped along the segment, as the raster canvas draws it.
        const int before = m_penWidth / 2;
        const int after = (m_penWidth - 1) / 2;
        const int x0 = std::min(m_x, x) - before;
        const int x1 = std::max(m_x, x) + after;
        const int y0 = std::min(m_y, y) - before;
        const int y1 = std::max(m_y, y) + after;
        Touch(QRect(QPoint(x0, y0), QPoint(x1, y1)));
        if (m_x == x || m_y == y) {
            painter.fillRect(QRect(QPoint(x0, y0), QPoint(x1, y1)), ToQColor(m_penColor));
        } else {
            painter.setPen(QPen(ToQColor(m_penColor), m_penWidth, Qt::SolidLine, Qt::SquareCap));
            painter.drawLine(m_x, m_y, x, y);
        }
    }
    m_x = x;
    m_y = y;
}

void QImageCanvas::TextOut(int x, int y, std::string_view text)
{
    QPainter painter(&m_image);
    painter.setFont(m_font);
    const QString s = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    const QFontMetrics metrics(m_font);
    // The point is the text's top-left corner; the text cell is filled white first.
    const QRect cell(x, y, metrics.horizontalAdvance(s), metrics.height());
    painter.fillRect(cell, Qt::white);
    Touch(cell);
    painter.setPen(Qt::black);
    painter.drawText(QPoint(x, y + metrics.ascent()), s);
}

void QImageCanvas::Rectangle(int left, int top, int right, int bottom)
{
    if (right - left < 1 || bottom - top < 1)
        return;
    QPainter painter(&m_image);
    Touch(QRect(left, top, right - left, bottom - top));
    // The outline lies on the rectangle's own pixels; right and bottom are exclusive.
    painter.fillRect(QRect(left, top, right - left, bottom - top), ToQColor(m_penColor));
    const int w = m_penWidth;
    if (right - left > 2 * w && bottom - top > 2 * w)
        painter.fillRect(QRect(left + w, top + w, right - left - 2 * w, bottom - top - 2 * w), ToQColor(m_brushColor));
}

QRect QImageCanvas::takeDirty()
{
    const QRect dirty = m_dirty & m_image.rect();
    m_dirty = QRect();
    return dirty;
}

void QImageCanvas::SelectBrush(Color color)
{
    m_brushColor = color;
}

void QImageCanvas::ReleaseBrush()
{
    m_brushColor = lirovane::kWhite;
}

std::optional<lirovane::BitmapPixels> QImageCanvas::ReadBitmap(int width, int height) const
{
    if (width <= 0 || height <= 0)
        return std::nullopt;
    lirovane::BitmapPixels pixels;
    pixels.width = width;
    pixels.height = height;
    pixels.bitsPerPixel = 24;
    pixels.stride = ((width * 24 + 31) / 32) * 4;
    pixels.data.assign(static_cast<std::size_t>(pixels.stride) * static_cast<std::size_t>(height), 0xFF);
    for (int y = 0; y < height && y < m_image.height(); ++y) {
        std::uint8_t* row = pixels.data.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(pixels.stride);
        for (int x = 0; x < width && x < m_image.width(); ++x) {
            const QRgb rgb = m_image.pixel(x, y);
            std::uint8_t* pixel = row + 3 * static_cast<std::size_t>(x);
            pixel[0] = static_cast<std::uint8_t>(qBlue(rgb));
            pixel[1] = static_cast<std::uint8_t>(qGreen(rgb));
            pixel[2] = static_cast<std::uint8_t>(qRed(rgb));
        }
    }
    return pixels;
}
