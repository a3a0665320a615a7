#include "ui/viewer/picture_button.h"

#include <QPainter>

namespace {

// The focus frame's distance from the button's edge, clear of the 2-pixel bevel.
constexpr int kFocusInset = 4;

} // namespace

PictureButton::PictureButton(const QString& caption, QWidget* parent) : QAbstractButton(parent)
{
    const QString base = QStringLiteral(":/viewer/") + caption.toUpper();
    m_up.load(base + QStringLiteral("U.bmp"));
    m_down.load(base + QStringLiteral("D.bmp"));
    setAccessibleName(caption);
    setFocusPolicy(Qt::StrongFocus); // a click takes the focus, so the start box commits first
    setFixedSize(sizeHint());
}

QSize PictureButton::sizeHint() const
{
    return m_up.isNull() ? QSize(49, 48) : m_up.size();
}

void PictureButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawPixmap(0, 0, isDown() ? m_down : m_up);
    if (hasFocus()) {
        // The keyboard focus as a dotted frame inside the bevel, black over white so
        // that it shows on the red and the teal face alike.
        const QRect frame = rect().adjusted(kFocusInset, kFocusInset, -kFocusInset - 1, -kFocusInset - 1);
        painter.setPen(QPen(Qt::white, 1));
        painter.drawRect(frame);
        painter.setPen(QPen(Qt::black, 1, Qt::DotLine));
        painter.drawRect(frame);
    }
}
