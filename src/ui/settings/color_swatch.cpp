#include "settings/color_swatch.h"

#include "app/image_canvas.h"

#include <QPainter>

ColorSwatch::ColorSwatch(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void ColorSwatch::setColor(lirovane::Color color)
{
    m_color = color;
    // Drawn at once, not at the next event-loop turn.
    if (isVisible())
        repaint();
}

void ColorSwatch::paintEvent(QPaintEvent*)
{
    // PaintSwatch: white pen one pixel wide, brush of the colour, rectangle (0, 0)..(30, 30).
    QPainter painter(this);
    painter.fillRect(QRect(0, 0, kSide, kSide), Qt::white);
    painter.fillRect(QRect(1, 1, kSide - 2, kSide - 2), ToQColor(m_color));
}
