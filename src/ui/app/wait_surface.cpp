#include "ui/app/wait_surface.h"

#include <QPaintEvent>
#include <QPainter>

WaitSurface::WaitSurface(QWidget* parent) : QWidget(parent), m_canvas(m_image)
{
    setObjectName(QStringLiteral("waitSurface"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    hide();
}

void WaitSurface::Begin()
{
    const QSize size = parentWidget()->size().expandedTo(QSize(1, 1));
    m_image = QImage(size, QImage::Format_RGB32);
    m_image.fill(Qt::white);
    m_canvas.setFont(parentWidget()->font());
    setGeometry(QRect(QPoint(0, 0), size));
    raise();
    show();
    m_canvas.takeDirty();
    repaint();
}

void WaitSurface::Flush()
{
    const QRect dirty = m_canvas.takeDirty();
    if (!dirty.isEmpty())
        repaint(dirty);
}

void WaitSurface::End()
{
    hide();
}

void WaitSurface::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), Qt::white);
    painter.drawImage(event->rect().topLeft(), m_image, event->rect());
}
