// The main window: start-up order, commands and accelerators, the browser, the batch.

#include "app/main_frame.h"
#include "app/morkelby_app.h"
#include "app/morkelby_view.h"
#include "app/qsettings_profile_store.h"
#include "app/web_browser.h"
#include "settings/app_settings.h"
#include "settings/settings_dlg.h"
#include "ui_test_support.h"

#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <QTextDocument>
#include <QToolBar>
#include <QToolButton>

#include <memory>

namespace {

void WriteFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
}

QStringList ProfileKeys(const QString& file)
{
    QSettings settings(file, QSettings::IniFormat);
    return settings.allKeys();
}

// Right edge (exclusive) of the black progress bar on row 145 of the wait surface.
int BarRightEdge(const QImage& image)
{
    int x = 102;
    while (x < image.width() && image.pixel(x, 145) == qRgb(0, 0, 0))
        ++x;
    return x;
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_work; // the start-up directory of these tests
    QString m_seq;
    QString m_pat;
    std::unique_ptr<TemporaryProfile> m_profile;
    std::unique_ptr<QSettingsProfileStore> m_store;
    FakePickers m_pickers;
    std::unique_ptr<CMorkelbyApp> m_app;

    // Starts the program on a profile seeded with a confirmed set of settings.
    void startSeeded()
    {
        m_profile = std::make_unique<TemporaryProfile>();
        {
            QSettings seed(m_profile->file(), QSettings::IniFormat);
            seed.beginGroup("Lirovane");
            seed.setValue("SequenceFile", m_seq);
            seed.setValue("StartsEndsAndSizesFile", m_pat);
            seed.setValue("SizeOfRepeats", 4);
            seed.setValue("LetterOrientation", 1);
            seed.setValue("AsColor", 0x0000FF);
            seed.setValue("CsColor", 0xFF0000);
            seed.setValue("GsColor", 0xFFFF00);
            seed.setValue("TsColor", 0x00FF00);
            const char letters[] = "acgtACGT";
            for (int i = 0; i < 8; ++i)
                seed.setValue(QStringLiteral("Letter%1").arg(i + 1), int(letters[i]));
            seed.setValue("NumberOfRepeatsInThisSet", 3);
        }
        // A confirmed dialog of an earlier test may have split something else.
        WriteFile(m_work.filePath("starts.txt"), "1\r\n6\r\n11\r\n");
        WriteFile(m_work.filePath("ends.txt"), "5\r\n10\r\n15\r\n");
        m_store = std::make_unique<QSettingsProfileStore>();
        m_pickers = FakePickers();
        m_app = std::make_unique<CMorkelbyApp>(*m_store, m_pickers);
        QVERIFY(m_app->InitInstance());
        QVERIFY(QTest::qWaitForWindowExposed(frame()));
        QApplication::setActiveWindow(frame());
        QVERIFY(QTest::qWaitForWindowActive(frame()));
    }

    CMainFrame* frame() const { return m_app->mainFrame(); }
    CWebBrowser2* browser() const { return frame()->view()->browser(); }

private slots:
    void initTestCase()
    {
        QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
        QDir::setCurrent(m_work.path());
        m_seq = m_work.filePath("seq.fa");
        m_pat = m_work.filePath("pat.txt");
        // Three repeats of size 4 at 1..5, 6..10, 11..15.
        WriteFile(m_seq, "ACGTACGTACGTACGTACGT\n");
        WriteFile(m_pat, "1 5 4\n6 10 4\n11 15 4\n2 9 7\n");
    }

    void cleanup()
    {
        m_app.reset();
        m_store.reset();
        m_profile.reset();
        QDir::setCurrent(m_work.path());
    }

    // First run: the settings dialog comes before the window; cancel writes only "Path"
    // and keeps the defaults; OK writes every key.
    void first_run_data()
    {
        QTest::addColumn<bool>("confirm");
        QTest::newRow("cancelled") << false;
        QTest::newRow("confirmed") << true;
    }
    void first_run()
    {
        QFETCH(bool, confirm);
        m_profile = std::make_unique<TemporaryProfile>();
        m_store = std::make_unique<QSettingsProfileStore>();
        QCOMPARE(QFileInfo(m_store->fileName()).absoluteFilePath(), QFileInfo(m_profile->file()).absoluteFilePath());
        bool windowShownDuringDialog = true;
        QString dialogTitle;
        ModalDriver driver([&](QWidget* modal) {
            dialogTitle = modal->windowTitle();
            windowShownDuringDialog = false;
            for (QWidget* w : QApplication::topLevelWidgets())
                if (qobject_cast<CMainFrame*>(w) && w->isVisible())
                    windowShownDuringDialog = true;
            if (confirm) {
                auto* dlg = qobject_cast<CSettingsDlg*>(modal);
                dlg->m_strPatternsFile = m_pat;
                dlg->m_strSequenceFile = m_seq;
                dlg->Refresh();
                modal->findChild<QPushButton*>("okButton")->click();
            }
        });
        m_app = std::make_unique<CMorkelbyApp>(*m_store, m_pickers);
        QVERIFY(m_app->InitInstance());
        QCOMPARE(dialogTitle, QStringLiteral("Morkelby Settings..."));
        QVERIFY(!windowShownDuringDialog);
        QVERIFY(frame()->isVisible());
        QCOMPARE(frame()->windowTitle(), QStringLiteral("Lirovane"));

        const lirovane::AppSettings& s = m_app->settings();
        QCOMPARE(s.sizeOfRepeats, 43);
        QCOMPARE(s.letterOrientation, 1);
        QCOMPARE(s.asColor, 0x000000FFu);
        QCOMPARE(s.gsColor, 0x00FFFF00u);
        QStringList keys = ProfileKeys(m_profile->file());
        keys.sort();
        if (!confirm) {
            QCOMPARE(keys, QStringList{"Lirovane/Path"});
            QVERIFY(s.sequenceFile.empty());
        } else {
            QStringList expected = QStringLiteral("Path SequenceFile StartsEndsAndSizesFile SizeOfRepeats "
                                                  "LetterOrientation AsColor CsColor GsColor TsColor Letter1 Letter2 "
                                                  "Letter3 Letter4 Letter5 Letter6 Letter7 Letter8 "
                                                  "NumberOfRepeatsInThisSet")
                                       .split(' ');
            for (QString& key : expected)
                key.prepend("Lirovane/");
            expected.sort();
            QCOMPARE(keys, expected);
            // Integers are stored as plain integers.
            QFile conf(m_profile->file());
            QVERIFY(conf.open(QIODevice::ReadOnly));
            const QByteArray text = conf.readAll();
            QVERIFY2(text.contains("\nSizeOfRepeats=43"), text.constData());
            QVERIFY(text.contains("\nAsColor=255"));
            QVERIFY(text.contains("\nLetter5=65"));
        }
    }

    void toolbar_and_menus()
    {
        startSeeded();
        QToolBar* bar = frame()->toolBar();
        QCOMPARE(bar->iconSize(), QSize(62, 15));
        QVERIFY(bar->isMovable());
        QVERIFY(bar->isFloatable());
        QCOMPARE(bar->allowedAreas(), Qt::AllToolBarAreas);
        const QList<QAction*> actions = bar->actions();
        const QStringList tips = {"Change", "Run", "Back", "Strandscope"};
        const QList<int> ids = {57600, 57601, 57603, 57634};
        QCOMPARE(actions.size(), 4);
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(actions[i]->data().toInt(), ids[i]);
            auto* button = qobject_cast<QToolButton*>(bar->widgetForAction(actions[i]));
            QVERIFY(button);
            QCOMPARE(button->toolTip(), tips[i]);
            QVERIFY(button->autoRaise());
            const QImage image = actions[i]->icon().pixmap(QSize(62, 15)).toImage();
            QCOMPARE(image.size(), QSize(62, 15));
            QCOMPARE(QColor(image.pixel(1, 1)), QColor(192, 192, 192));
        }
        QVERIFY(!frame()->findChild<QStatusBar*>());
    }

    // Every accelerator with the browser focused: which command runs and which modal
    // window (if any) opens; keys without a handler do nothing.
    void accelerators_data()
    {
        QTest::addColumn<QKeySequence>("key");
        QTest::addColumn<int>("command");
        QTest::addColumn<QString>("modal");
        QTest::newRow("Ctrl+N") << QKeySequence("Ctrl+N") << 57600 << "Morkelby Settings...";
        QTest::newRow("Ctrl+O") << QKeySequence("Ctrl+O") << 57601 << "";
        QTest::newRow("Ctrl+S") << QKeySequence("Ctrl+S") << 57603 << "";
        QTest::newRow("Ctrl+C") << QKeySequence("Ctrl+C") << 57634 << "Strandscope";
        QTest::newRow("Ctrl+Insert") << QKeySequence("Ctrl+Ins") << 57634 << "Strandscope";
        for (const char* dead :
             {"Ctrl+P", "Ctrl+Z", "Ctrl+X", "Ctrl+V", "Alt+Backspace", "Shift+Del", "Shift+Ins", "F6", "Shift+F6"})
            QTest::newRow(dead) << QKeySequence(QString::fromLatin1(dead)) << 0 << "";
    }
    void accelerators()
    {
        QFETCH(QKeySequence, key);
        QFETCH(int, command);
        QFETCH(QString, modal);
        startSeeded();
        browser()->setFocus();
        browser()->selectAll();
        QApplication::clipboard()->setText("untouched");
        QList<int> fired;
        for (int id : {57600, 57601, 57603, 57634, 57664, 57665})
            connect(frame()->command(id), &QAction::triggered, this, [&fired, id] { fired << id; });
        const QString page = browser()->toHtml();
        ModalDriver driver(nullptr, 3000);
        QTest::keySequence(browser(), key);
        QTRY_COMPARE_WITH_TIMEOUT(driver.title(), modal, 2000);
        QCOMPARE(fired, command ? QList<int>{command} : QList<int>{});
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("untouched"));
        if (command == 0)
            QCOMPARE(browser()->toHtml(), page);
        QCOMPARE(frame()->windowTitle(), QStringLiteral("Lirovane"));
        for (QAction* action : frame()->findChildren<QAction*>())
            QVERIFY(action->isEnabled());
    }

    // The browser fills the view after every size change, toolbar moves included.
    void resize_fills_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("area");
        QTest::newRow("larger, top") << QSize(900, 700) << int(Qt::TopToolBarArea);
        QTest::newRow("smaller, left") << QSize(400, 300) << int(Qt::LeftToolBarArea);
        QTest::newRow("right") << QSize(640, 480) << int(Qt::RightToolBarArea);
        QTest::newRow("bottom") << QSize(500, 620) << int(Qt::BottomToolBarArea);
    }
    void resize_fills()
    {
        QFETCH(QSize, size);
        QFETCH(int, area);
        startSeeded();
        frame()->resize(size);
        frame()->addToolBar(Qt::ToolBarArea(area), frame()->toolBar());
        QTRY_COMPARE(frame()->toolBarArea(frame()->toolBar()), Qt::ToolBarArea(area));
        QCoreApplication::processEvents();
        CMorkelbyView* view = frame()->view();
        QTRY_COMPARE(browser()->geometry(), view->rect());
        QCOMPARE(view->geometry(), frame()->centralWidget()->geometry());
        QVERIFY(!view->geometry().intersects(frame()->toolBar()->geometry()));
    }

    // A page of thumbnails, a picture opened from it at full size, and Back.
    void navigate_open_back()
    {
        startSeeded();
        QTemporaryDir dir;
        QImage picture(300, 200, QImage::Format_RGB32);
        picture.fill(Qt::red);
        QVERIFY(picture.save(dir.filePath("57.bmp"), "BMP"));
        WriteFile(dir.filePath("index.htm"),
                  "<html><body><table><tr><td><a href=\"57.bmp\"><img width=100 height=100 src=57.bmp></a>"
                  "<br>57</td></tr></table></body></html>");
        const QUrl page = QUrl::fromLocalFile(dir.filePath("index.htm"));
        browser()->Navigate(page.toString());
        QCOMPARE(browser()->currentAddress(), page);
        browser()->grab(); // paints, and so loads the thumbnail
        const QPixmap thumb =
            browser()->document()->resource(QTextDocument::ImageResource, QUrl("57.bmp")).value<QPixmap>();
        QCOMPARE(thumb.size(), QSize(100, 100));

        browser()->setFocus();
        QTest::keyClick(browser(), Qt::Key_Tab); // to the link
        QTest::keyClick(browser(), Qt::Key_Return);
        QCOMPARE(browser()->currentAddress(), QUrl::fromLocalFile(dir.filePath("57.bmp")));
        browser()->grab();
        QCOMPARE(browser()->document()->size().toSize().expandedTo(QSize(300, 200)),
                 browser()->document()->size().toSize());
        QCOMPARE(browser()->reducedImages(), 0);

        QTest::keySequence(browser(), QKeySequence("Ctrl+S"));
        QCOMPARE(browser()->currentAddress(), page);
        QTest::keySequence(browser(), QKeySequence("Ctrl+S"));
        QCOMPARE(browser()->currentAddress(), QUrl("about:start"));
        QTest::keySequence(browser(), QKeySequence("Ctrl+S")); // nothing earlier: stays
        QCOMPARE(browser()->currentAddress(), QUrl("about:start"));

        browser()->Navigate("https://example.org/index.htm");
        QVERIFY(browser()->toPlainText().contains("Only local files"));
    }

    // The batch from the window: pictures, the page, the browser on it, and the bar's
    // right edge after each of three pictures with a stored count of 3.
    void batch_from_window()
    {
        startSeeded();
        QList<int> edges;
        connect(frame()->view(), &CMorkelbyView::batchProgress, this,
                [&edges, this](int, int) { edges << BarRightEdge(frame()->view()->waitImage()); });
        for (const char* name : {"1.bmp", "6.bmp", "11.bmp", "index.htm"})
            QFile::remove(m_work.filePath(name));
        browser()->setFocus();
        QTest::keySequence(browser(), QKeySequence("Ctrl+O"));
        QCOMPARE(edges, (QList<int>{201, 300, 402}));
        for (const char* name : {"1.bmp", "6.bmp", "11.bmp", "index.htm"})
            QVERIFY2(QFileInfo(m_work.filePath(name)).size() > 0, name);
        QCOMPARE(browser()->currentAddress().toLocalFile(), QFileInfo(m_work.filePath("index.htm")).absoluteFilePath());
        QVERIFY(m_pickers.messages.isEmpty());
        QVERIFY(!frame()->view()->findChild<QWidget*>("waitSurface")->isVisible());
        QCOMPARE(frame()->windowTitle(), QStringLiteral("Lirovane"));
    }

    // A picture that cannot be written is reported once, with how many and where.
    void batch_reports_unwritten()
    {
        startSeeded();
        QFile::remove(m_work.filePath("6.bmp"));
        QVERIFY(QDir(m_work.path()).mkpath("6.bmp")); // a folder in the picture's place
        frame()->command(57601)->trigger();
        QDir(m_work.path()).rmdir("6.bmp");
        QCOMPARE(m_pickers.messages.size(), 1);
        QVERIFY2(m_pickers.messages[0].startsWith("1 of 3 pictures could not be written to "),
                 qPrintable(m_pickers.messages[0]));
    }
};

QTEST_MAIN(TestMainWindow)
#include "test_main_window.moc"
