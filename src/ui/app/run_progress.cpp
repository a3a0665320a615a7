#include "ui/app/run_progress.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace {

constexpr qint64 kFrameMs = 16;
constexpr int kGap = 8; // between the two windows

} // namespace

RunProgress::RunProgress(QWidget* mainWindow, const QString& title, const QString& sequenceFile, int count)
    : QWidget(mainWindow, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint)
{
    setObjectName(QStringLiteral("runProgress"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setWindowTitle(title);
    m_countLabel = new QLabel(CountText(0, count), this);
    m_countLabel->setObjectName(QStringLiteral("runCount"));
    FitCount(count);
    auto* file = new QLabel(QFileInfo(sequenceFile).fileName(), this);
    file->setObjectName(QStringLiteral("runSequence"));
    file->setToolTip(sequenceFile);
    m_cancel = new QPushButton(tr("Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("runCancel"));
    connect(m_cancel, &QPushButton::clicked, this, &RunProgress::cancelled);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_countLabel);
    layout->addWidget(file);
    layout->addWidget(m_cancel, 0, Qt::AlignRight);
    PlaceBeside(mainWindow);
}

QString RunProgress::CountText(int pictures, int count)
{
    const QLocale locale;
    return tr("%1 of %2 pictures").arg(locale.toString(pictures), locale.toString(count));
}

void RunProgress::SetCount(int pictures, int count)
{
    // Thousands of pictures must not cost thousands of label repaints.
    if (m_shown.isValid() && m_shown.elapsed() < kFrameMs && pictures < count && count == m_count)
        return;
    m_shown.restart();
    m_countLabel->setText(CountText(pictures, count));
    if (count != m_count) {
        FitCount(count);
        adjustSize();
    }
}

void RunProgress::FitCount(int count)
{
    // Room for the largest count it will show, so that the window keeps its size.
    m_count = count;
    m_countLabel->setMinimumWidth(m_countLabel->fontMetrics().horizontalAdvance(CountText(count, count)) * 5 / 4);
}

void RunProgress::closeEvent(QCloseEvent* event)
{
    event->ignore(); // it goes when the run ends
    emit cancelled();
}

void RunProgress::PlaceBeside(const QWidget* mainWindow)
{
    adjustSize();
    const QRect main = mainWindow->frameGeometry();
    const QScreen* screen = mainWindow->screen();
    const QRect room = screen != nullptr ? screen->availableGeometry() : main;
    // To the right, else to the left, else over the main window's bottom-right corner.
    QPoint at(main.right() + 1 + kGap, main.top());
    if (at.x() + width() > room.right())
        at.setX(main.left() - kGap - width());
    if (at.x() < room.left())
        at = main.bottomRight() - QPoint(width() + 2 * kGap, height() + 2 * kGap);
    move(at);
}
