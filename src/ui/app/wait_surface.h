#pragma once

#include "ui/app/image_canvas.h"

#include <QImage>
#include <QWidget>

// The view's own drawing surface while the image batch runs: a child that lies over
// the browser and shows what the batch drew. The view shows it for the batch and
// hides it when the browser has the new page.
class WaitSurface : public QWidget {
    Q_OBJECT

public:
    explicit WaitSurface(QWidget* parent);

    // Covers the parent, white, and becomes visible.
    void Begin();
    void End();
    // Shows at once what was drawn since the last call (the event loop does not run).
    void Flush();
    QImageCanvas& canvas() { return m_canvas; }
    const QImage& image() const { return m_image; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_image;
    QImageCanvas m_canvas;
};
