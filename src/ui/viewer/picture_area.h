#pragma once

#include "core/render/raster_canvas.h"

#include <QWidget>

// The viewer's 650 x 380 picture on screen. Drawings go to its surface as they
// happen; every paint copies the viewer's off-screen image back onto it first.
class PictureArea : public QWidget {
    Q_OBJECT

public:
    explicit PictureArea(const lirovane::RasterCanvas& image, QWidget* parent = nullptr);

    lirovane::Canvas& screen() { return m_screen; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const lirovane::RasterCanvas& m_image;
    lirovane::RasterCanvas m_screen;
};
