#include "viewer/strandscope_dlg.h"

#include "settings/memory_profile_store.h"
#include "viewer/picture_button.h"
#include "viewer_fake_pickers.h"

#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

// The viewer with its colour dialog answered by the test.
class TestViewer : public CStrandscopeDlg {
public:
    using CStrandscopeDlg::CStrandscopeDlg;
    int nextOrientation = 1;
    std::array<lirovane::Color, 4> nextColors{0x000000FF, 0x00FF0000, 0x00FFFF00, 0x0000FF00};
    int colorDialogRuns = 0;

protected:
    void runColorDialog(int& orientation, std::array<lirovane::Color, 4>& colors) override
    {
        ++colorDialogRuns;
        orientation = nextOrientation;
        colors = nextColors;
    }
};

QColor Rgb(lirovane::Color c)
{
    return QColor(lirovane::RedOf(c), lirovane::GreenOf(c), lirovane::BlueOf(c));
}

} // namespace

class TestStrandscopeDlg : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void commands_data();
    void commands();
    void enterAndEscapeClose_data();
    void enterAndEscapeClose();
    void legend_data();
    void legend();
    void saveBeforeLoadIsWhite();
    void choosersRestoreWorkingDirectory_data();
    void choosersRestoreWorkingDirectory();
    void unwritableSaveIsReported();
    void screenPixels_data();
    void screenPixels();
    void geometry();

private:
    QString writeFile(const QString& name, const QByteArray& content);
    void show();
    void act(const QString& action);
    template <typename T>
    T* child(const char* name)
    {
        return m_viewer->findChild<T*>(QString::fromLatin1(name));
    }
    QString boxes() { return child<QLineEdit>("startIndexEdit")->text() + "-" + child<QLineEdit>("endIndexEdit")->text(); }

    std::unique_ptr<QTemporaryDir> m_startDir; // "Path"
    std::unique_ptr<QTemporaryDir> m_elsewhere;
    std::unique_ptr<ViewerFakePickers> m_fake;
    std::unique_ptr<lirovane::MemoryProfileStore> m_profile;
    std::unique_ptr<TestViewer> m_viewer;
    QString m_file;
};

void TestStrandscopeDlg::init()
{
    m_startDir = std::make_unique<QTemporaryDir>();
    m_elsewhere = std::make_unique<QTemporaryDir>();
    QVERIFY(m_startDir->isValid() && m_elsewhere->isValid());
    QDir::setCurrent(m_startDir->path());
    m_profile = std::make_unique<lirovane::MemoryProfileStore>();
    m_profile->WriteProfileString(lirovane::kProfileSection, "Path", m_startDir->path().toStdString());
    m_fake = std::make_unique<ViewerFakePickers>();
    m_fake->wanderTo = m_elsewhere->path();
    m_viewer = std::make_unique<TestViewer>(*m_fake, *m_profile);
}

void TestStrandscopeDlg::cleanup()
{
    m_viewer.reset();
    QDir::setCurrent(QDir::tempPath());
}

QString TestStrandscopeDlg::writeFile(const QString& name, const QByteArray& content)
{
    const QString path = m_startDir->filePath(name);
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(content);
    return path;
}

void TestStrandscopeDlg::show()
{
    m_viewer->show();
    QApplication::setActiveWindow(m_viewer.get());
    QVERIFY(QTest::qWaitForWindowActive(m_viewer.get()));
}

// One step of a scenario: a button click, a key, or typing into the start box.
void TestStrandscopeDlg::act(const QString& action)
{
    static const QHash<QString, const char*> buttons = {
        {"load", "loadButton"}, {"next", "nextButton"},     {"prev", "previousButton"}, {"redraw", "redrawButton"},
        {"in", "zoomInButton"}, {"out", "zoomOutButton"},   {"set", "settingsButton"},
    };
    static const QHash<QString, Qt::Key> keys = {
        {"PgDn", Qt::Key_PageDown}, {"PgUp", Qt::Key_PageUp}, {"+", Qt::Key_Plus}, {"-", Qt::Key_Minus}};
    if (action == "load")
        m_fake->openAnswers.push_back(m_file);
    if (buttons.contains(action)) {
        QTest::mouseClick(child<PictureButton>(buttons[action]), Qt::LeftButton);
    } else if (keys.contains(action)) {
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : m_viewer.get(), keys[action]);
    } else if (action.startsWith("type")) {
        auto* edit = child<QLineEdit>("startIndexEdit");
        QTest::mouseClick(edit, Qt::LeftButton);
        QVERIFY(edit->hasFocus());
        edit->selectAll();
        QTest::keyClicks(edit, action.mid(4));
    } else {
        QFAIL(qPrintable("unknown action " + action));
    }
}

void TestStrandscopeDlg::commands_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("actions");
    QTest::addColumn<QString>("expected"); // the two boxes after each action

    const QByteArray t1000(1000, 'T');
    QTest::newRow("next to the end, previous twice") << t1000 << "load next next prev prev"
                                                     << "0-639 639-1000 639-1000 0-639 0-639";
    QTest::newRow("the same by keys") << t1000 << "load PgDn PgDn PgUp PgUp" << "0-639 639-1000 639-1000 0-639 0-639";
    QTest::newRow("zoom in and out") << t1000 << "load in out out" << "0-639 0-319 0-639 0-639";
    QTest::newRow("zoom by keys") << t1000 << "load + - -" << "0-639 0-319 0-639 0-639";
    QTest::newRow("nothing before a load") << t1000 << "next prev redraw in out + PgDn load"
                                           << "- - - - - - - 0-639"; // zoom still 1 at the load
    QTest::newRow("typed 250 then next, previous") << t1000 << "load type250 next prev"
                                                   << "0-639 250-639 639-1000 250-889";
    QTest::newRow("typed 250, Page Down in the box") << t1000 << "load type250 PgDn PgUp"
                                                     << "0-639 250-639 639-1000 250-889";
    QTest::newRow("typed beyond the end") << t1000 << "load type5000 redraw" << "0-639 5000-639 5000-5639";
    QTest::newRow("typing before a load") << t1000 << "type7 next load" << "7- 7- 0-639";
}

void TestStrandscopeDlg::commands()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, actions);
    QFETCH(QString, expected);
    m_file = writeFile("seq.txt", content);
    show();
    const QStringList steps = actions.split(' ');
    const QStringList results = expected.split(' ');
    QCOMPARE(steps.size(), results.size());
    for (int i = 0; i < steps.size(); ++i) {
        act(steps[i]);
        QCOMPARE(boxes(), results[i]);
    }
    QVERIFY(m_viewer->isVisible());
}

void TestStrandscopeDlg::enterAndEscapeClose_data()
{
    QTest::addColumn<QString>("focus");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("result");
    for (const char* focus : {"startIndexEdit", "endIndexEdit", "loadButton", "nextButton"}) {
        QTest::addRow("Return in %s", focus) << focus << int(Qt::Key_Return) << int(QDialog::Accepted);
        QTest::addRow("Enter in %s", focus) << focus << int(Qt::Key_Enter) << int(QDialog::Accepted);
        QTest::addRow("Esc in %s", focus) << focus << int(Qt::Key_Escape) << int(QDialog::Rejected);
    }
}

void TestStrandscopeDlg::enterAndEscapeClose()
{
    QFETCH(QString, focus);
    QFETCH(int, key);
    QFETCH(int, result);
    show();
    auto* target = m_viewer->findChild<QWidget*>(focus);
    target->setFocus();
    if (auto* edit = qobject_cast<QLineEdit*>(target))
        QTest::keyClicks(edit, "250");
    QTest::keyClick(target, Qt::Key(key));
    QVERIFY(!m_viewer->isVisible());
    QCOMPARE(m_viewer->result(), result);
}

void TestStrandscopeDlg::legend_data()
{
    QTest::addColumn<bool>("loaded");
    QTest::addColumn<int>("orientation");
    QTest::addColumn<QString>("legend"); // left, above, below, right
    for (bool loaded : {false, true}) {
        const char* state = loaded ? "loaded" : "empty";
        QTest::addRow("%s, orientation 1", state) << loaded << 1 << "ACGT";
        QTest::addRow("%s, orientation 2", state) << loaded << 2 << "AGTC";
        QTest::addRow("%s, orientation 3", state) << loaded << 3 << "ACTG";
        QTest::addRow("%s, orientation 7", state) << loaded << 7 << "ACGT";
    }
}

void TestStrandscopeDlg::legend()
{
    QFETCH(bool, loaded);
    QFETCH(int, orientation);
    QFETCH(QString, legend);
    m_file = writeFile("g.txt", "GGGGGGGGGG");
    show();
    if (loaded)
        act("load");
    m_viewer->nextOrientation = orientation;
    act("set");
    QCOMPARE(m_viewer->colorDialogRuns, 1);
    const QString shown = child<QLabel>("legendLeft")->text() + child<QLabel>("legendAbove")->text() +
                          child<QLabel>("legendBelow")->text() + child<QLabel>("legendRight")->text();
    QCOMPARE(shown, legend);
    QCOMPARE(boxes(), QString(loaded ? "0-10" : "-"));
}

void TestStrandscopeDlg::saveBeforeLoadIsWhite()
{
    const QString picture = m_startDir->filePath("white.bmp");
    m_fake->saveAnswers.push_back(picture);
    show();
    act("next");
    QTest::mouseClick(child<PictureButton>("saveButton"), Qt::LeftButton);
    QCOMPARE(m_fake->lastInitialName, QString("*.bmp"));
    QVERIFY(m_fake->messages.isEmpty());
    QImage image(picture);
    QCOMPARE(image.size(), QSize(650, 380));
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != qRgb(255, 255, 255))
                QFAIL(qPrintable(QString("pixel %1,%2 is not white").arg(x).arg(y)));
}

void TestStrandscopeDlg::choosersRestoreWorkingDirectory_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("confirm");
    QTest::newRow("load confirmed") << "loadButton" << true;
    QTest::newRow("load cancelled") << "loadButton" << false;
    QTest::newRow("save confirmed") << "saveButton" << true;
    QTest::newRow("save cancelled") << "saveButton" << false;
}

void TestStrandscopeDlg::choosersRestoreWorkingDirectory()
{
    QFETCH(QString, button);
    QFETCH(bool, confirm);
    m_file = writeFile("t.txt", QByteArray(1000, 'T'));
    show();
    act("load");
    act("next");
    QCOMPARE(QDir::currentPath(), QDir(m_startDir->path()).canonicalPath());

    const QString other = writeFile("short.txt", "ACG");
    const QString picture = m_elsewhere->filePath("p.bmp");
    const bool load = button == "loadButton";
    (load ? m_fake->openAnswers : m_fake->saveAnswers)
        .push_back(confirm ? (load ? other : picture) : QString());
    QTest::mouseClick(child<PictureButton>(qPrintable(button)), Qt::LeftButton);

    QCOMPARE(QDir::currentPath(), QDir(m_startDir->path()).canonicalPath());
    QCOMPARE(m_fake->lastInitialName, QString(load ? "*.txt" : "*.bmp"));
    QCOMPARE(m_fake->lastFilters, load ? SequenceFileFilters() : PictureFileFilters());
    QCOMPARE(QFile::exists(picture), !load && confirm);
    // Only a confirmed load changes what is shown.
    QCOMPARE(boxes(), QString(load && confirm ? "0-3" : "639-1000"));
    QVERIFY(m_fake->messages.isEmpty());
}

void TestStrandscopeDlg::unwritableSaveIsReported()
{
    const QString bad = m_startDir->filePath("no/such/folder/picture.bmp");
    m_fake->saveAnswers.push_back(bad);
    show();
    QTest::mouseClick(child<PictureButton>("saveButton"), Qt::LeftButton);
    QCOMPARE(m_fake->messages.size(), 1);
    QVERIFY2(m_fake->messages[0].contains(QDir::toNativeSeparators(bad)), qPrintable(m_fake->messages[0]));
    QCOMPARE(QDir::currentPath(), QDir(m_startDir->path()).canonicalPath());
}

void TestStrandscopeDlg::screenPixels_data()
{
    QTest::addColumn<QString>("actions");
    QTest::addColumn<QList<QPoint>>("green"); // T steps right
    QTest::addColumn<QList<QPoint>>("blue");  // C steps up
    QTest::addColumn<QList<QPoint>>("white");
    // TTTCC from (4, 7) at zoom 1, from (4, 11) at zoom 3.
    QTest::newRow("zoom 1") << "load" << QList<QPoint>{{4, 7}, {5, 7}} << QList<QPoint>{{7, 5}, {7, 6}}
                            << QList<QPoint>{{9, 7}, {4, 9}, {7, 3}, {600, 300}};
    QTest::newRow("zoom 3") << "load + +" << QList<QPoint>{{5, 11}, {9, 11}} << QList<QPoint>{{13, 8}, {13, 6}}
                            << QList<QPoint>{{15, 11}, {9, 13}, {13, 3}, {9, 8}};
    QTest::newRow("before a load") << "" << QList<QPoint>{} << QList<QPoint>{}
                                   << QList<QPoint>{{0, 0}, {4, 7}, {649, 379}};
}

void TestStrandscopeDlg::screenPixels()
{
    QFETCH(QString, actions);
    QFETCH(QList<QPoint>, green);
    QFETCH(QList<QPoint>, blue);
    QFETCH(QList<QPoint>, white);
    m_file = writeFile("tc.txt", "TTTCC");
    show();
    for (const QString& a : actions.split(' ', Qt::SkipEmptyParts))
        act(a);
    const QImage screen = child<QWidget>("pictureArea")->grab().toImage();
    QCOMPARE(screen.size(), QSize(650, 380));
    for (const QPoint& p : green)
        QCOMPARE(screen.pixelColor(p), Rgb(lirovane::kViewerRightColor));
    for (const QPoint& p : blue)
        QCOMPARE(screen.pixelColor(p), Rgb(lirovane::kViewerUpColor));
    for (const QPoint& p : white)
        QCOMPARE(screen.pixelColor(p), QColor(Qt::white));
    // What is on screen is what Save image writes.
    const auto& image = m_viewer->model().Image();
    for (int y = 0; y < 380; y += 7)
        for (int x = 0; x < 650; x += 3)
            if (screen.pixelColor(x, y) != Rgb(image.PixelAt(x, y)))
                QFAIL(qPrintable(QString("screen and image differ at %1,%2").arg(x).arg(y)));
}

void TestStrandscopeDlg::geometry()
{
    show();
    QCOMPARE(m_viewer->windowTitle(), QString("Strandscope"));
    auto* area = child<QWidget>("pictureArea");
    const QRect pic = area->geometry();
    QCOMPARE(pic.size(), QSize(650, 380));
    QCOMPARE(pic.topLeft(), m_viewer->pictureOrigin());
    QVERIFY(m_viewer->rect().contains(pic));
    const QRect left = child<QLabel>("legendLeft")->geometry();
    const QRect above = child<QLabel>("legendAbove")->geometry();
    const QRect below = child<QLabel>("legendBelow")->geometry();
    const QRect right = child<QLabel>("legendRight")->geometry();
    QVERIFY(left.right() < pic.left() && left.right() > pic.left() - 20);
    QVERIFY(above.bottom() < pic.top() && above.bottom() > pic.top() - 20);
    QVERIFY(below.top() > pic.bottom() && below.top() < pic.bottom() + 20);
    QVERIFY(right.left() > pic.right() && right.left() < pic.right() + 20);
    for (QWidget* w : m_viewer->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        QVERIFY2(m_viewer->rect().contains(w->geometry()), qPrintable(w->objectName()));
        if (w != area && w->isVisible())
            QVERIFY2(!w->geometry().intersects(pic), qPrintable(w->objectName()));
    }
    const auto buttons = m_viewer->findChildren<PictureButton*>();
    QCOMPARE(buttons.size(), 8);
    for (PictureButton* b : buttons) {
        QVERIFY2(b->hasPictures(), qPrintable(b->objectName()));
        QCOMPARE(b->size(), QSize(49, 48));
        QVERIFY(!b->toolTip().isEmpty());
    }
    QCOMPARE(QApplication::focusWidget(), child<QWidget>("loadButton"));
    QVERIFY(child<QLineEdit>("endIndexEdit")->isReadOnly());
    QCOMPARE(child<QLineEdit>("startIndexEdit")->alignment() & Qt::AlignRight, Qt::AlignRight);
}

QTEST_MAIN(TestStrandscopeDlg)
#include "test_strandscope_dlg.moc"
