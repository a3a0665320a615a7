// The Strandscope viewer and its colour dialog, with answered pickers.

#include "viewer/strandscope_dlg.h"

#include "settings/memory_profile_store.h"
#include "ui_test_support.h"
#include "viewer/picture_button.h"
#include "viewer/viewer_color_dlg.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include <memory>

namespace {

QColor Rgb(lirovane::Color c)
{
    return QColor(lirovane::RedOf(c), lirovane::GreenOf(c), lirovane::BlueOf(c));
}

} // namespace

class TestStrandscopeDlg : public QObject {
    Q_OBJECT

    QTemporaryDir m_home; // "Path"
    QTemporaryDir m_elsewhere; // where the choosers leave the working directory
    lirovane::MemoryProfileStore m_store;
    FakePickers m_pickers;
    std::unique_ptr<CStrandscopeDlg> m_viewer;
    QString m_file; // what Load chooses

    // One step of a scenario: a button (by the start of its name), a key, or "type"
    // followed by what is typed into the start box.
    void act(const QString& step)
    {
        static const QHash<QString, Qt::Key> keys = {
            {"PgDn", Qt::Key_PageDown}, {"PgUp", Qt::Key_PageUp}, {"+", Qt::Key_Plus}, {"-", Qt::Key_Minus}};
        if (step == "load")
            m_pickers.files << m_file;
        if (keys.contains(step)) {
            QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : m_viewer.get(), keys[step]);
        } else if (step.startsWith("type")) {
            auto* edit = Child<QLineEdit>(m_viewer.get(), "startIndexEdit");
            QTest::mouseClick(edit, Qt::LeftButton);
            edit->selectAll();
            QTest::keyClicks(edit, step.mid(4));
        } else {
            QTest::mouseClick(Child<PictureButton>(m_viewer.get(), qPrintable(step + "Button")), Qt::LeftButton);
        }
    }
    QString boxes() const
    {
        return Child<QLineEdit>(m_viewer.get(), "startIndexEdit")->text() + "-" +
               Child<QLineEdit>(m_viewer.get(), "endIndexEdit")->text();
    }
    QImage screen() const { return Child(m_viewer.get(), "pictureArea")->grab().toImage(); }

private slots:
    void initTestCase()
    {
        QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
        m_store.WriteProfileString(lirovane::kProfileSection, "Path", m_home.path().toStdString());
    }
    void init()
    {
        QDir::setCurrent(m_home.path());
        m_pickers = FakePickers();
        m_pickers.wanderTo = m_elsewhere.path();
        m_file = WriteFile(m_home.filePath("t.txt"), QByteArray(1000, 'T'));
        m_viewer = std::make_unique<CStrandscopeDlg>(m_pickers, m_store);
        m_viewer->show();
        QApplication::setActiveWindow(m_viewer.get());
        QVERIFY(QTest::qWaitForWindowActive(m_viewer.get()));
    }
    void cleanup() { m_viewer.reset(); }

    // Buttons and keys on a file of 1000 letters: the two boxes after each step. Typed
    // text counts when the focus leaves the box or a key acts from it.
    void commands_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("expected");
        QTest::newRow("buttons") << "load next next previous previous zoomIn zoomOut zoomOut"
                                 << "0-639 639-1000 639-1000 0-639 0-639 0-319 0-639 0-639";
        QTest::newRow("keys") << "load PgDn PgDn PgUp PgUp + - -"
                              << "0-639 639-1000 639-1000 0-639 0-639 0-319 0-639 0-639";
        QTest::newRow("nothing before a load") << "next previous redraw zoomIn + PgDn load"
                                               << "- - - - - - 0-639";
        QTest::newRow("typed, then Next and Previous") << "load type250 next previous"
                                                       << "0-639 250-639 639-1000 250-889";
        QTest::newRow("typed, then Page Down in the box") << "load type250 PgDn" << "0-639 250-639 639-1000";
        QTest::newRow("typed, then Redraw") << "load type250 redraw" << "0-639 250-639 250-889";
        QTest::newRow("typed before a load") << "type7 next load" << "7- 7- 0-639";
    }
    void commands()
    {
        QFETCH(QString, steps);
        QFETCH(QString, expected);
        const QStringList list = steps.split(' ');
        const QStringList results = expected.split(' ');
        QCOMPARE(list.size(), results.size());
        for (qsizetype i = 0; i < list.size(); ++i) {
            act(list[i]);
            QCOMPARE(boxes(), results[i]);
        }
        QVERIFY(m_viewer->isVisible());
    }

    // Enter closes the viewer whatever has the focus; Esc closes it too.
    void enter_and_escape_close_data()
    {
        QTest::addColumn<QString>("focus");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("result");
        QTest::newRow("Return in the start box") << "startIndexEdit" << int(Qt::Key_Return) << int(QDialog::Accepted);
        QTest::newRow("Enter on a button") << "loadButton" << int(Qt::Key_Enter) << int(QDialog::Accepted);
        QTest::newRow("Esc in the start box") << "startIndexEdit" << int(Qt::Key_Escape) << int(QDialog::Rejected);
    }
    void enter_and_escape_close()
    {
        QFETCH(QString, focus);
        QFETCH(int, key);
        QFETCH(int, result);
        QWidget* target = Child(m_viewer.get(), qPrintable(focus));
        target->setFocus();
        QTest::keyClick(target, Qt::Key(key));
        QVERIFY(!m_viewer->isVisible());
        QCOMPARE(m_viewer->result(), result);
        QVERIFY(m_pickers.fileInitialNames.isEmpty()); // no button was pressed
    }

    // The real colour dialog from the viewer, closed by Esc: its values count, the legend
    // follows the orientation, and a loaded sequence is drawn again.
    void colour_dialog_from_viewer_data()
    {
        QTest::addColumn<bool>("loaded");
        QTest::addColumn<int>("radio"); // 0: none clicked
        QTest::addColumn<qint64>("colour"); // for Gs; negative: none picked
        QTest::addColumn<QString>("legend"); // left, above, below, right
        QTest::newRow("empty, orientation 2") << false << 1018 << qint64(-1) << "AGTC";
        QTest::newRow("loaded, orientation 3") << true << 1019 << qint64(-1) << "ACTG";
        QTest::newRow("loaded, Gs recoloured") << true << 0 << qint64(0x123456) << "ACGT";
    }
    void colour_dialog_from_viewer()
    {
        QFETCH(bool, loaded);
        QFETCH(int, radio);
        QFETCH(qint64, colour);
        QFETCH(QString, legend);
        m_file = WriteFile(m_home.filePath("g.txt"), "GGGGGGGGGG");
        if (loaded)
            act("load");
        const QImage before = screen();
        m_pickers.colors << colour;
        ModalDriver driver([radio](QWidget* modal) {
            if (radio)
                QTest::mouseClick(Child(modal, qPrintable(QStringLiteral("radio%1").arg(radio))), Qt::LeftButton);
            if (radio == 0)
                QTest::mouseClick(Child(modal, "colorButton1022"), Qt::LeftButton);
            QTest::keyClick(modal, Qt::Key_Escape);
        });
        act("settings");
        QCOMPARE(driver.title(), QStringLiteral("Change settings"));
        QString shown;
        for (const char* name : {"legendLeft", "legendAbove", "legendBelow", "legendRight"})
            shown += Child<QLabel>(m_viewer.get(), name)->text();
        QCOMPARE(shown, legend);
        QCOMPARE(m_viewer->model().Orientation(), radio ? radio - 1016 : 1);
        QCOMPARE(m_viewer->model().Colors()[2], colour < 0 ? lirovane::kViewerDownColor : lirovane::Color(colour));
        QCOMPARE(boxes(), QString(loaded ? "0-10" : "-"));
        QCOMPARE(screen() != before, loaded);
    }

    // The colour dialog alone: the radio shown for each orientation (none for 7), and the
    // orientation handed back however the dialog closes.
    void colour_dialog_values_data()
    {
        QTest::addColumn<int>("orientation");
        QTest::addColumn<int>("shownRadio"); // 0: none
        QTest::addColumn<int>("clickRadio"); // 0: no click
        QTest::addColumn<int>("closeKey"); // 0: the close box
        QTest::addColumn<int>("expected");
        QTest::newRow("2, radio 1019, Esc") << 2 << 1018 << 1019 << int(Qt::Key_Escape) << 3;
        QTest::newRow("7: no radio, Esc") << 7 << 0 << 0 << int(Qt::Key_Escape) << 7;
        QTest::newRow("7, radio 1018, close box") << 7 << 0 << 1018 << 0 << 2;
        QTest::newRow("1, Enter") << 1 << 1017 << 0 << int(Qt::Key_Return) << 1;
    }
    void colour_dialog_values()
    {
        QFETCH(int, orientation);
        QFETCH(int, shownRadio);
        QFETCH(int, clickRadio);
        QFETCH(int, closeKey);
        QFETCH(int, expected);
        CViewerColorDlg dialog(m_pickers);
        dialog.m_nOrientation = orientation;
        int checked = 0;
        ModalDriver driver([&](QWidget* modal) {
            for (int id : {1017, 1018, 1019})
                if (Child<QRadioButton>(modal, qPrintable(QStringLiteral("radio%1").arg(id)))->isChecked())
                    checked += id;
            if (clickRadio)
                QTest::mouseClick(Child(modal, qPrintable(QStringLiteral("radio%1").arg(clickRadio))), Qt::LeftButton);
            if (closeKey)
                QTest::keyClick(modal, Qt::Key(closeKey));
            else
                modal->close();
        });
        dialog.exec();
        QCOMPARE(checked, shownRadio);
        QCOMPARE(dialog.m_nOrientation, expected);
        QCOMPARE(dialog.result(), closeKey == Qt::Key_Return ? int(QDialog::Accepted) : int(QDialog::Rejected));
    }

    void save_before_load_is_white()
    {
        const QString picture = m_home.filePath("white.bmp");
        m_pickers.files << picture;
        act("save");
        QCOMPARE(m_pickers.fileInitialNames, QStringList{"*.bmp"});
        QVERIFY(m_pickers.messages.isEmpty());
        QImage white(650, 380, QImage::Format_RGB32);
        white.fill(Qt::white);
        QCOMPARE(QImage(picture).convertToFormat(QImage::Format_RGB32), white);
    }

    // After Load and Save image, confirmed or not, "Path" is the working directory
    // again; a picture that cannot be written is reported.
    void choosers_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("answer"); // in the folder the chooser went to; empty: cancelled
        QTest::addColumn<QString>("boxes");
        QTest::addColumn<bool>("reported");
        QTest::newRow("load a short file") << "load" << "short.txt" << "0-3" << false;
        QTest::newRow("load cancelled") << "load" << "" << "639-1000" << false;
        QTest::newRow("save") << "save" << "p.bmp" << "639-1000" << false;
        QTest::newRow("save cancelled") << "save" << "" << "639-1000" << false;
        QTest::newRow("save where it cannot") << "save" << "no/such/folder/p.bmp" << "639-1000" << true;
    }
    void choosers()
    {
        QFETCH(QString, button);
        QFETCH(QString, answer);
        QFETCH(QString, boxes);
        QFETCH(bool, reported);
        act("load");
        act("next");
        const QString chosen = answer.isEmpty() ? QString() : m_elsewhere.filePath(answer);
        WriteFile(m_elsewhere.filePath("short.txt"), "ACG");
        QFile::remove(m_elsewhere.filePath("p.bmp"));
        m_pickers.files << chosen;
        act(button);
        QCOMPARE(QDir::currentPath(), QDir(m_home.path()).canonicalPath());
        QCOMPARE(m_pickers.fileInitialNames.last(), button == "load" ? "*.txt" : "*.bmp");
        QCOMPARE(m_pickers.fileFilters.last(), button == "load" ? SequenceFileFilters() : PictureFileFilters());
        QCOMPARE(this->boxes(), boxes);
        QCOMPARE(QFile::exists(m_elsewhere.filePath("p.bmp")), button == "save" && !chosen.isEmpty() && !reported);
        QCOMPARE(m_pickers.messages.size(), reported ? 1 : 0);
        if (reported)
            QVERIFY2(m_pickers.messages[0].contains(QDir::toNativeSeparators(chosen)), qPrintable(m_pickers.messages[0]));
    }

    // The on-screen area: TTTCC drawn at zoom 1 and 3, white before a load, and the same
    // as the picture Save image writes.
    void screen_pixels_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QList<QPoint>>("green"); // T steps right
        QTest::addColumn<QList<QPoint>>("blue");  // C steps up
        QTest::addColumn<QList<QPoint>>("white");
        QTest::newRow("zoom 1") << "load" << QList<QPoint>{{4, 7}, {5, 7}} << QList<QPoint>{{7, 5}, {7, 6}}
                                << QList<QPoint>{{9, 7}, {4, 9}, {7, 3}, {600, 300}};
        QTest::newRow("zoom 3") << "load + +" << QList<QPoint>{{5, 11}, {9, 11}} << QList<QPoint>{{13, 8}, {13, 6}}
                                << QList<QPoint>{{15, 11}, {9, 13}, {13, 3}, {9, 8}};
        QTest::newRow("before a load") << "" << QList<QPoint>{} << QList<QPoint>{}
                                       << QList<QPoint>{{0, 0}, {4, 7}, {649, 379}};
    }
    void screen_pixels()
    {
        QFETCH(QString, steps);
        QFETCH(QList<QPoint>, green);
        QFETCH(QList<QPoint>, blue);
        QFETCH(QList<QPoint>, white);
        m_file = WriteFile(m_home.filePath("tc.txt"), "TTTCC");
        for (const QString& step : steps.split(' ', Qt::SkipEmptyParts))
            act(step);
        const QImage shot = screen();
        QCOMPARE(shot.size(), QSize(650, 380));
        for (const QPoint& p : green)
            QCOMPARE(shot.pixelColor(p), Rgb(lirovane::kViewerRightColor));
        for (const QPoint& p : blue)
            QCOMPARE(shot.pixelColor(p), Rgb(lirovane::kViewerUpColor));
        for (const QPoint& p : white)
            QCOMPARE(shot.pixelColor(p), QColor(Qt::white));
        const auto& image = m_viewer->model().Image();
        for (int y = 0; y < 380; y += 7)
            for (int x = 0; x < 650; x += 3)
                QVERIFY2(shot.pixelColor(x, y) == Rgb(image.PixelAt(x, y)), qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
    }

    // The legend letters sit just outside the picture's four sides; no control covers it.
    void layout()
    {
        const QRect pic = Child(m_viewer.get(), "pictureArea")->geometry();
        QCOMPARE(pic.size(), QSize(650, 380));
        const QRect left = Child(m_viewer.get(), "legendLeft")->geometry();
        const QRect above = Child(m_viewer.get(), "legendAbove")->geometry();
        const QRect below = Child(m_viewer.get(), "legendBelow")->geometry();
        const QRect right = Child(m_viewer.get(), "legendRight")->geometry();
        QVERIFY(left.right() < pic.left() && left.right() > pic.left() - 20);
        QVERIFY(above.bottom() < pic.top() && above.bottom() > pic.top() - 20);
        QVERIFY(below.top() > pic.bottom() && below.top() < pic.bottom() + 20);
        QVERIFY(right.left() > pic.right() && right.left() < pic.right() + 20);
        for (QWidget* w : m_viewer->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            QVERIFY2(m_viewer->rect().contains(w->geometry()), qPrintable(w->objectName()));
            QVERIFY2(w->geometry() == pic || !w->geometry().intersects(pic), qPrintable(w->objectName()));
        }
        for (PictureButton* b : m_viewer->findChildren<PictureButton*>())
            QVERIFY2(b->hasPictures() && b->size() == QSize(49, 48), qPrintable(b->objectName()));
    }
};

QTEST_MAIN(TestStrandscopeDlg)
#include "test_strandscope_dlg.moc"
