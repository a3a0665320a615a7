#pragma once

#include "core/render/raster_canvas.h"
#include "ui/viewer/stretch_marks.h"

#include <QWidget>

// The viewer's 650 x 380 picture on screen. Drawings go to its surface as they
// happen; every paint copies the viewer's off-screen image back onto it first.
class PictureArea : public QWidget {
    Q_OBJECT

public:
    explicit PictureArea(const lirovane::RasterCanvas& image, QWidget* parent = nullptr);

    lirovane::Canvas& screen() { return m_screen; }
    // Marks drawn over the picture, never into it: a ring at the first point, a square
    // at the second.
    void setMarks(std::vector<MarkPoint> marks);
    const std::vector<MarkPoint>& marks() const { return m_marks; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const lirovane::RasterCanvas& m_image;
    lirovane::RasterCanvas m_screen;
    std::vector<MarkPoint> m_marks;
};
