#pragma once

#include "core/render/color.h"

#include <QWidget>

// A 30 x 30 square of a colour with a white outline, drawn from the widget's
// top-left corner.
class ColorSwatch : public QWidget {
    Q_OBJECT

public:
    explicit ColorSwatch(QWidget* parent = nullptr);

    void setColor(lirovane::Color color);
    lirovane::Color color() const { return m_color; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    lirovane::Color m_color = lirovane::kBlack;
};
