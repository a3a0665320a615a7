#include "ui/viewer/picture_button.h"

#include <QPainter>

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
}
