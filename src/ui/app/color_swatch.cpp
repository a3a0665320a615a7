#include "ui/app/color_swatch.h"

#include "ui/app/qt_color.h"

#include <QPainter>

ColorSwatch::ColorSwatch(QWidget* parent) : QWidget(parent)
{
    setFixedSize(30, 30);
}

void ColorSwatch::setColor(lirovane::Color color)
{
    m_color = color;
    update();
}

void ColorSwatch::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(0, 0, 30, 30, ToQColor(m_color));
    painter.setPen(QPen(Qt::white, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(0, 0, 29, 29);
}
