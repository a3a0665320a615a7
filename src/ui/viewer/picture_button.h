#pragma once

#include <QAbstractButton>
#include <QPixmap>

// A button drawn from two pictures named after its caption: CAPTIONU normally and
// CAPTIOND while held down, with a dotted frame while it has the keyboard focus. It
// takes the size of its up picture, is never a default button and never looks greyed.
class PictureButton : public QAbstractButton {
    Q_OBJECT

public:
    // Loads ":/viewer/<CAPTION>U.bmp" and "...D.bmp" (the caption in capitals).
    explicit PictureButton(const QString& caption, QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }
    bool hasPictures() const { return !m_up.isNull() && !m_down.isNull(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap m_up;
    QPixmap m_down;
};
