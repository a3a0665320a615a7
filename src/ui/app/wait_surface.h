#pragma once

#include "ui/app/image_canvas.h"

#include <QElapsedTimer>
#include <QImage>
#include <QWidget>

// The view's own drawing surface while the image batch runs: a child that lies over
// the browser and shows what the batch drew. The view shows it for the batch and
// hides it when the browser has the new page.
//
// The batch does not return to the event loop. So that the window stays painted when
// it is uncovered or restored meanwhile, Present() lets the window system's events
// through, at most about 60 times a second. Keys and clicks made meanwhile are dropped,
// never delivered after the batch: only Escape acts, anywhere, by asking the batch to
// stop, and the window given to LetInputTo() takes input as usual. Timers and closing
// the window wait for the end of the batch.
class WaitSurface : public QWidget {
    Q_OBJECT

public:
    explicit WaitSurface(QWidget* parent);

    // Covers the parent, white, and becomes visible.
    void Begin();
    // Drops the input that came in since the last events were let through, then hides.
    void End();
    // A window that keeps its input during the batch (its Cancel button); until End().
    void LetInputTo(QWidget* window) { m_inputWindow = window; }
    // Escape, or AskStop(), since Begin().
    bool stopAsked() const { return m_stopAsked; }
    void AskStop() { m_stopAsked = true; }
    // Shows at once what was drawn since the last call.
    void Flush();
    // The bar's right edge as last drawn: Present() shows the surface again only when it moved.
    void SetBarRight(int right) { m_barRight = right; }
    // Shows what was drawn: the first time at once, then when the bar has moved, at most
    // once a frame; and lets events through.
    void Present();
    // Lets the window system's events through, at most once a frame.
    void KeepPainted();
    QImageCanvas& canvas() { return m_canvas; }
    const QImage& image() const { return m_image; }
    // Repaints of the surface since Begin(); for tests and benchmarks.
    int presented() const { return m_presented; }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool DropsInput(QObject* watched, QEvent* event);

    QImage m_image;
    QImageCanvas m_canvas;
    QElapsedTimer m_shown;  // since the surface was last repainted
    QElapsedTimer m_events; // since paint events were last let through
    int m_barRight = 0;
    int m_shownBarRight = -1;
    int m_presented = 0;
    bool m_closeAsked = false;
    bool m_stopAsked = false;
    QWidget* m_inputWindow = nullptr;
};
