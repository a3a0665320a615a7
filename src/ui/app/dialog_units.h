#pragma once

#include <QRect>

class QFont;

// Turns the dialog-unit positions and sizes of a dialog template into pixels: a
// horizontal unit is a quarter of the font's average character width, a vertical
// unit an eighth of its height.
class DialogUnits {
public:
    explicit DialogUnits(const QFont& font);
    DialogUnits(int baseX, int baseY) : m_baseX(baseX), m_baseY(baseY) {}

    int x(int units) const { return (units * m_baseX + 2) / 4; }
    int y(int units) const { return (units * m_baseY + 4) / 8; }
    QRect rect(int x, int y, int w, int h) const { return QRect(this->x(x), this->y(y), this->x(w), this->y(h)); }
    QSize size(int w, int h) const { return QSize(x(w), y(h)); }
    int baseX() const { return m_baseX; }
    int baseY() const { return m_baseY; }

private:
    int m_baseX = 6;
    int m_baseY = 13;
};
