#include "ui/app/wait_surface.h"

#include <QApplication>
#include <QPaintEvent>
#include <QPainter>

namespace {

constexpr qint64 kFrameMs = 16;

} // namespace

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
    m_shown.invalidate();
    m_events.invalidate();
    m_barRight = 0;
    m_shownBarRight = -1;
    m_presented = 0;
    m_closeAsked = false;
    qApp->installEventFilter(this);
    repaint();
}

void WaitSurface::Flush()
{
    const QRect dirty = m_canvas.takeDirty();
    if (!dirty.isEmpty()) {
        repaint(dirty);
        ++m_presented;
    }
    m_shownBarRight = m_barRight;
    m_shown.restart();
}

void WaitSurface::Present()
{
    // Thousands of pictures must not cost thousands of repaints: only a bar that moved
    // is shown again, and not more often than once a frame.
    if (!m_shown.isValid() || (m_barRight != m_shownBarRight && m_shown.elapsed() >= kFrameMs))
        Flush();
    KeepPainted();
}

void WaitSurface::KeepPainted()
{
    if (m_events.isValid() && m_events.elapsed() < kFrameMs)
        return;
    m_events.restart();
    // Expose and update requests only: no input, no timers, no sockets.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents | QEventLoop::ExcludeSocketNotifiers |
                                    QEventLoop::X11ExcludeTimers);
}

void WaitSurface::End()
{
    qApp->removeEventFilter(this);
    hide();
    // A close asked for during the batch is carried out now that it has ended.
    if (std::exchange(m_closeAsked, false))
        window()->close();
}

bool WaitSurface::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Close && watched == window()) {
        m_closeAsked = true;
        event->ignore();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void WaitSurface::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), Qt::white);
    painter.drawImage(event->rect().topLeft(), m_image, event->rect());
}
