#pragma once

#include <QElapsedTimer>
#include <QWidget>

class QLabel;
class QPushButton;

// A small window of its own while Create images (or the overview) runs, beside the main
// window where the screen has room: how many pictures are made of how many, the sequence
// file's name, and Cancel. Closing it cancels too.
class RunProgress : public QWidget {
    Q_OBJECT

public:
    RunProgress(QWidget* mainWindow, const QString& title, const QString& sequenceFile, int count);

    // Shows the count, at most once a frame (the last call of a run always).
    void SetCount(int pictures, int count);
    // "9,321 of 19,428 pictures", in the locale's digit grouping.
    static QString CountText(int pictures, int count);

signals:
    void cancelled();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void PlaceBeside(const QWidget* mainWindow);
    void FitCount(int count);

    QLabel* m_countLabel = nullptr;
    QPushButton* m_cancel = nullptr;
    QElapsedTimer m_shown;
    int m_count = 0; // the count the label has room for
};
