#pragma once

#include "core/render/color.h"

#include <QDialog>

#include <array>

class ColorSwatch;
class DialogUnits;
class QButtonGroup;
class QGroupBox;
class QPushButton;
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

protected:
    void showEvent(QShowEvent* event) override;

private:
    QGroupBox* createOrientationGroup(const DialogUnits& du);
    QGroupBox* createColorGroup(const DialogUnits& du);
    void fitToFont(const DialogUnits& du, QPushButton* ok, QGroupBox* colorBox);
    void pickColor(int slot);
    lirovane::Color& slotColor(int slot);

    PickerServices& m_pickers;
    QButtonGroup* m_group = nullptr;
    std::array<QRadioButton*, 3> m_radios{};
    std::array<ColorSwatch*, 4> m_swatches{};
};
