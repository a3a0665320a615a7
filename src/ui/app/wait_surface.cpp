#include "ui/app/wait_surface.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QWindow>

#include <utility>

namespace {

constexpr qint64 kFrameMs = 16;
// Window system events, input included (the filter drops it); no timers, no sockets.
constexpr QEventLoop::ProcessEventsFlags kWhileRunning =
    QEventLoop::ExcludeSocketNotifiers | QEventLoop::X11ExcludeTimers;

bool IsInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonRelease:
    case QEvent::NonClientAreaMouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
    case QEvent::InputMethod:
    case QEvent::Gesture:
    case QEvent::NativeGesture: return true;
    default: return false;
    }
}

// Whether `target` (a widget, or the window system's window of one) lies in `window`.
bool InWindow(const QObject* target, const QWidget* window)
{
    if (window == nullptr)
        return false;
    if (target->isWidgetType())
        return static_cast<const QWidget*>(target)->window() == window;
    return target->isWindowType() && target == window->windowHandle();
}

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
    m_stopAsked = false;
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
    // Input is taken now and dropped by the filter: held back, it would act after the batch.
    QCoreApplication::processEvents(kWhileRunning);
}

void WaitSurface::End()
{
    QCoreApplication::processEvents(kWhileRunning);
    qApp->removeEventFilter(this);
    m_inputWindow = nullptr;
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
    if (DropsInput(watched, event))
        return true;
    return QWidget::eventFilter(watched, event);
}

bool WaitSurface::DropsInput(QObject* watched, QEvent* event)
{
    if (!IsInput(event->type()))
        return false;
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        m_stopAsked = true;
        return true;
    }
    return !InWindow(watched, m_inputWindow);
}

void WaitSurface::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), Qt::white);
    painter.drawImage(event->rect().topLeft(), m_image, event->rect());
}
