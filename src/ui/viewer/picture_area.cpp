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
    // Black on a white halo, to stand out on any path colour.
    for (std::size_t i = 0; i < m_marks.size(); ++i) {
        const QRect around(m_marks[i].x - 6, m_marks[i].y - 6, 12, 12);
        for (const auto& [colour, width] : {std::pair{Qt::white, 4}, std::pair{Qt::black, 2}}) {
            painter.setPen(QPen(colour, width));
            if (i == 0)
                painter.drawEllipse(around);
            else
                painter.drawRect(around);
        }
    }
}

void PictureArea::setMarks(std::vector<MarkPoint> marks)
{
    if (marks == m_marks)
        return;
    m_marks = std::move(marks);
    update();
}
