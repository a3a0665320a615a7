#include "viewer/viewer_color_dlg.h"

#include "viewer_fake_pickers.h"

#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>

#include <array>
#include <functional>

namespace {

using lirovane::Color;

constexpr std::array<Color, 4> kStart{0x000000FF, 0x00FF0000, 0x00FFFF00, 0x0000FF00};

void Fill(CViewerColorDlg& d, int orientation)
{
    d.m_nOrientation = orientation;
    d.m_clrA = kStart[0];
    d.m_clrC = kStart[1];
    d.m_clrG = kStart[2];
    d.m_clrT = kStart[3];
}

std::array<Color, 4> Values(const CViewerColorDlg& d)
{
    return {d.m_clrA, d.m_clrC, d.m_clrG, d.m_clrT};
}

// Runs the dialog's real exec(); `act` runs once it is the active modal window and
// must close it. Checks belong after this returns.
void RunModal(CViewerColorDlg& dialog, const std::function<void(QWidget*)>& act)
{
    QTimer::singleShot(0, &dialog, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal) {
            QApplication::setActiveWindow(modal);
            if (QTest::qWaitForWindowActive(modal))
                act(modal);
        }
        if (dialog.isVisible())
            dialog.reject(); // never leave exec() running
    });
    dialog.exec();
}

} // namespace

class TestViewerColorDlg : public QObject {
    Q_OBJECT

private slots:
    void closingHandsValuesBack_data();
    void closingHandsValuesBack();
    void colorButtons_data();
    void colorButtons();
    void layout();
};

void TestViewerColorDlg::closingHandsValuesBack_data()
{
    QTest::addColumn<int>("orientation");
    QTest::addColumn<int>("shownRadio"); // 0: none selected
    QTest::addColumn<int>("clickRadio"); // 0: no click
    QTest::addColumn<QString>("close");
    QTest::addColumn<int>("expected");
    QTest::newRow("2, click 1019, Esc") << 2 << 1018 << 1019 << "esc" << 3;
    QTest::newRow("2, click 1017, close box") << 2 << 1018 << 1017 << "closebox" << 1;
    QTest::newRow("3, click 1018, OK") << 3 << 1019 << 1018 << "ok" << 2;
    QTest::newRow("1, no click, Enter") << 1 << 1017 << 0 << "enter" << 1;
    QTest::newRow("7, no radio, Esc") << 7 << 0 << 0 << "esc" << 7;
    QTest::newRow("7, click 1018, Esc") << 7 << 0 << 1018 << "esc" << 2;
    QTest::newRow("0, no radio, OK") << 0 << 0 << 0 << "ok" << 0;
}

void TestViewerColorDlg::closingHandsValuesBack()
{
    QFETCH(int, orientation);
    QFETCH(int, shownRadio);
    QFETCH(int, clickRadio);
    QFETCH(QString, close);
    QFETCH(int, expected);
    ViewerFakePickers pickers;
    CViewerColorDlg dialog(pickers);
    Fill(dialog, orientation);
    QList<int> checkedAtOpen;
    bool okHadFocus = false;
    RunModal(dialog, [&](QWidget* modal) {
        for (int id : {1017, 1018, 1019})
            if (modal->findChild<QRadioButton*>(QString("radio%1").arg(id))->isChecked())
                checkedAtOpen.append(id);
        okHadFocus = QApplication::focusWidget() == modal->findChild<QPushButton*>("okButton");
        if (clickRadio)
            QTest::mouseClick(modal->findChild<QRadioButton*>(QString("radio%1").arg(clickRadio)), Qt::LeftButton);
        if (close == "esc")
            QTest::keyClick(modal, Qt::Key_Escape);
        else if (close == "enter")
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        else if (close == "ok")
            QTest::mouseClick(modal->findChild<QPushButton*>("okButton"), Qt::LeftButton);
        else
            modal->close();
    });
    QCOMPARE(checkedAtOpen, shownRadio ? QList<int>{shownRadio} : QList<int>{});
    QVERIFY(okHadFocus);
    QCOMPARE(dialog.m_nOrientation, expected);
    QCOMPARE(Values(dialog), kStart); // no colour was touched
}

void TestViewerColorDlg::colorButtons_data()
{
    QTest::addColumn<int>("buttonId");
    QTest::addColumn<int>("slot");
    QTest::addColumn<QString>("swatch");
    QTest::addColumn<bool>("confirmed");
    QTest::newRow("As yellow") << 1020 << 0 << "swatch1025" << true;
    QTest::newRow("Cs yellow") << 1021 << 1 << "swatch1024" << true;
    QTest::newRow("Gs yellow") << 1022 << 2 << "swatch1026" << true;
    QTest::newRow("Ts yellow") << 1023 << 3 << "swatch1027" << true;
    QTest::newRow("As cancelled") << 1020 << 0 << "swatch1025" << false;
    QTest::newRow("Ts cancelled") << 1023 << 3 << "swatch1027" << false;
}

void TestViewerColorDlg::colorButtons()
{
    QFETCH(int, buttonId);
    QFETCH(int, slot);
    QFETCH(QString, swatch);
    QFETCH(bool, confirmed);
    const Color yellow = 0x0000FFFF;
    ViewerFakePickers pickers;
    pickers.colors.push_back(confirmed ? std::optional<Color>(yellow) : std::nullopt);
    CViewerColorDlg dialog(pickers);
    Fill(dialog, 1);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QTest::mouseClick(dialog.findChild<QPushButton*>(QString("colorButton%1").arg(buttonId)), Qt::LeftButton);
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QVERIFY(!dialog.isVisible());

    std::array<Color, 4> expected = kStart;
    if (confirmed)
        expected[static_cast<std::size_t>(slot)] = yellow;
    QCOMPARE(Values(dialog), expected);
    QCOMPARE(pickers.colorsOffered, QList<Color>{kStart[static_cast<std::size_t>(slot)]}); // opens on the current colour

    // The swatch: a 30 x 30 square of the colour with a white outline.
    const Color c = expected[static_cast<std::size_t>(slot)];
    const QImage shot = dialog.findChild<QWidget*>(swatch)->grab().toImage();
    QCOMPARE(shot.pixelColor(15, 15), QColor(lirovane::RedOf(c), lirovane::GreenOf(c), lirovane::BlueOf(c)));
    QCOMPARE(shot.pixelColor(1, 1), QColor(lirovane::RedOf(c), lirovane::GreenOf(c), lirovane::BlueOf(c)));
    for (const QPoint p : {QPoint(0, 0), QPoint(29, 0), QPoint(0, 29), QPoint(29, 29), QPoint(15, 0)})
        QCOMPARE(shot.pixelColor(p), QColor(Qt::white));
}

void TestViewerColorDlg::layout()
{
    ViewerFakePickers pickers;
    CViewerColorDlg dialog(pickers);
    Fill(dialog, 1);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCOMPARE(dialog.windowTitle(), QString("Change settings"));
    QVERIFY(dialog.findChild<QPushButton*>("okButton")->isDefault());
    // Every control lies inside the dialog; the swatches and buttons do not overlap.
    QList<QWidget*> placed;
    for (QWidget* w : dialog.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        QVERIFY2(dialog.rect().contains(w->geometry()), qPrintable(w->objectName()));
        if (w->objectName().startsWith("swatch") || w->objectName().startsWith("colorButton") ||
            w->objectName().startsWith("radio"))
            placed.append(w);
    }
    QCOMPARE(placed.size(), 11);
    for (int i = 0; i < placed.size(); ++i)
        for (int j = i + 1; j < placed.size(); ++j)
            QVERIFY2(!placed[i]->geometry().intersects(placed[j]->geometry()),
                     qPrintable(placed[i]->objectName() + " " + placed[j]->objectName()));
}

QTEST_MAIN(TestViewerColorDlg)
#include "test_viewer_color_dlg.moc"
