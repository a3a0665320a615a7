#pragma once

#include <QDialog>

// "About Lirovane": the application icon and an OK button.
class CAboutDlg : public QDialog {
    Q_OBJECT

public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};
