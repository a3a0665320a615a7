#pragma once

#include "render/color.h"

#include <QWidget>

// The square that shows one slot colour: 30 x 30 pixels from the control's top-left
// corner, filled with the colour and outlined in white.
class ColorSwatch : public QWidget {
    Q_OBJECT

public:
    explicit ColorSwatch(QWidget* parent = nullptr);

    void setColor(lirovane::Color color);
    lirovane::Color color() const { return m_color; }

    static constexpr int kSide = 30;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    lirovane::Color m_color = 0;
};
