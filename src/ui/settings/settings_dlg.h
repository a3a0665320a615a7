#pragma once

#include "core/render/color.h"

#include <QDialog>
#include <QString>
#include <QStringList>

class ColorSwatch;
class DialogUnits;
class PickerServices;
class QLineEdit;
class QPushButton;
class QRadioButton;

// "Morkelby Settings...": the files, repeat size, letter orientation and the four slot
// colours of the image batch. The caller fills the public values, runs the dialog and
// reads them back after OK. There is no Cancel button: Escape or the close box cancel.
class CSettingsDlg : public QDialog {
    Q_OBJECT

public:
    explicit CSettingsDlg(PickerServices& pickers, QWidget* parent = nullptr);

    QString m_strPatternsFile;
    QString m_strSequenceFile;
    int m_nRepeatSize = 0;
    int m_nOrientation = 0;
    lirovane::Color m_clrA = 0;
    lirovane::Color m_clrC = 0;
    lirovane::Color m_clrG = 0;
    lirovane::Color m_clrT = 0;

    // Copies the values into the three edit boxes.
    void Refresh();
    // Copies the edit boxes into the values: patterns, sequence, then the size, which
    // must be an integer from 1 to 200. On failure shows why, puts the focus in the
    // size box and returns false.
    bool TakeValues();

    static QString NotIntegerMessage();
    static QString OutOfRangeMessage();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createOrientationAndColors(const DialogUnits& du);
    void createFileControls(const DialogUnits& du);
    void OnOK();
    void OnColor(int slot);
    // Browse for `value`, the file of `box`, offering `filters`.
    void OnBrowse(QString& value, const QLineEdit& box, const QStringList& filters);
    void OnSizeFocusLost();
    void SizeError(const QString& message);
    void SelectOrientation();

    PickerServices& m_pickers;
    QPushButton* m_ok = nullptr;
    QRadioButton* m_orientation[3] = {};
    ColorSwatch* m_swatch[4] = {}; // A, C, G, T
    QLineEdit* m_sequenceEdit = nullptr;
    QLineEdit* m_patternsEdit = nullptr;
    QLineEdit* m_sizeEdit = nullptr;
    bool m_initialised = false;
};
