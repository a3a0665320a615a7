#pragma once

#include "core/render/path_renderer.h"

#include <QDialog>

#include <array>

class ColorSwatch;
class QButtonGroup;
class PickerServices;
class QRadioButton;

// "Change settings" of the viewer: the letter orientation and the four slot colours.
// The caller sets the five values, runs the dialog and reads them back however it
// closed; every click changes them at once and nothing is undone or checked.
class CViewerColorDlg : public QDialog {
    Q_OBJECT

public:
    explicit CViewerColorDlg(PickerServices& pickers, QWidget* parent = nullptr);

    int m_nOrientation = 1;
    lirovane::Color m_clrA = 0; // slot Left
    lirovane::Color m_clrC = 0; // slot Up
    lirovane::Color m_clrG = 0; // slot Down
    lirovane::Color m_clrT = 0; // slot Right

    // The four colours as one value, in slot order Left, Up, Down, Right.
    lirovane::SlotColors Colors() const { return {m_clrA, m_clrC, m_clrG, m_clrT}; }
    void SetColors(const lirovane::SlotColors& colors)
    {
        m_clrA = colors[0];
        m_clrC = colors[1];
        m_clrG = colors[2];
        m_clrT = colors[3];
    }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void pickColor(int slot);
    lirovane::Color& slotColor(int slot);

    PickerServices& m_pickers;
    QButtonGroup* m_group = nullptr;
    std::array<QRadioButton*, 3> m_radios{};
    std::array<ColorSwatch*, 4> m_swatches{};
};
