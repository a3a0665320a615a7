#include "ui/viewer/picture_area.h"

#include "core/render/path_renderer.h"

#include <QImage>
#include <QPainter>

using lirovane::kViewerHeight;
using lirovane::kViewerWidth;

PictureArea::PictureArea(const lirovane::RasterCanvas& image, QWidget* parent)
    : QWidget(parent), m_image(image), m_screen(kViewerWidth, kViewerHeight)
{
    setFixedSize(kViewerWidth, kViewerHeight);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PictureArea::paintEvent(QPaintEvent*)
{
    m_screen.Data() = m_image.Data();
    // RasterCanvas rows are blue, green, red bytes without padding.
    const QImage view(m_screen.Data().data(), kViewerWidth, kViewerHeight, qsizetype{kViewerWidth} * 3,
                      QImage::Format_BGR888);
    QPainter painter(this);
    painter.drawImage(0, 0, view);
}
