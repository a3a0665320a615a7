// The main window: start-up order, commands and accelerators, the browser, the batch,
// the thumbnails.

#include "core/files/folder_lock.h"
#include "ui/app/main_frame.h"
#include "ui/app/morkelby_app.h"
#include "ui/app/morkelby_view.h"
#include "ui/app/thumbnail_reader.h"
#include "ui/app/thumbnail_view.h"
#include "ui/app/web_browser.h"
#include "ui/settings/settings_dlg.h"
#include "ui/viewer/strandscope_dlg.h"
#include "ui_test_support.h"

#include "core/batch/gallery_page.h"
#include "core/batch/quiet_display.h"
#include "core/settings/memory_profile_store.h"
#include "ui/app/recent_galleries.h"

class TestMainWindow : public QObject {
    Q_OBJECT

    QTemporaryDir m_work; // the start-up directory
    QString m_seq;
    QString m_pat;
    std::unique_ptr<QTemporaryDir> m_profile; // the profile folder
    std::unique_ptr<QSettingsProfileStore> m_store;
    FakePickers m_pickers;
    std::unique_ptr<CMorkelbyApp> m_app;

    // Starts the program on a profile seeded with confirmed settings, or on an empty one.
    void start(bool seeded = true)
    {
        m_profile = std::make_unique<QTemporaryDir>();
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_profile->path());
        if (seeded)
            SeedProfile(profile(), Settings(m_seq, m_pat, 4, 3));
        // What the split of these settings leaves in the start-up directory.
        WriteFile(m_work.filePath("starts.txt"), "1\r\n6\r\n11\r\n");
        WriteFile(m_work.filePath("ends.txt"), "5\r\n10\r\n15\r\n");
        m_store = std::make_unique<QSettingsProfileStore>();
        m_pickers = FakePickers();
        m_app = std::make_unique<CMorkelbyApp>(*m_store, m_pickers);
        QVERIFY(m_app->InitInstance());
        QVERIFY(ShowActive(frame()));
    }
    QString profile() const { return m_profile->filePath("Lirovane/Lirovane.conf"); }
    CMainFrame* frame() const { return m_app->mainFrame(); }
    CWebBrowser2* browser() const { return frame()->view()->browser(); }

    // What a user might do while the batch runs.
    void interrupt(const QString& what)
    {
        if (what == "Escape")
            QTest::keyClick(browser(), Qt::Key_Escape);
        else if (what == "Cancel")
            QTest::mouseClick(Child<QPushButton>(frame(), "runCancel"), Qt::LeftButton);
    }
    // On the page a thumbnail costs its shown size; its picture opens at full size; Back
    // steps to the page and the start page, and no further; nothing comes from the network.
    void browseGallery(const QString& where)
    {
        QImage picture(300, 200, QImage::Format_RGB32); // larger than its thumbnail, red over blue
        picture.fill(Qt::blue);
        for (int y = 0; y < 100; ++y)
            std::fill_n(reinterpret_cast<QRgb*>(picture.scanLine(y)), 300, qRgb(255, 0, 0));
        QVERIFY(picture.save(where + "/1.bmp", "BMP")); // stored bottom row first
        browser()->grab(); // paints, and so loads the thumbnails
        const QImage thumb = ReadThumbnail(where + "/1.bmp", QSize(100, 100));
        QCOMPARE(thumb.pixelColor(50, 5).name() + thumb.pixelColor(50, 95).name(), QStringLiteral("#ff0000#0000ff"));
        QCOMPARE(browser()->document()->resource(QTextDocument::ImageResource, QUrl("1.bmp")).value<QPixmap>().size(),
                 QSize(100, 100));
        QTest::keyClick(browser(), Qt::Key_Tab); // to the first link
        QTest::keyClick(browser(), Qt::Key_Return);
        QCOMPARE(browser()->currentAddress(), QUrl::fromLocalFile(where + "/1.bmp"));
        browser()->grab();
        const QSize shown = browser()->document()->size().toSize();
        QCOMPARE(shown.expandedTo(picture.size()), shown);
        for (const QUrl& back : {QUrl::fromLocalFile(where + "/index.htm"), QUrl("about:start"), QUrl("about:start")}) {
            QTest::keySequence(browser(), QKeySequence("Ctrl+S"));
            QCOMPARE(browser()->currentAddress(), back);
        }
        browser()->Navigate("https://example.org/index.htm");
        QVERIFY(browser()->toPlainText().contains("Only local files"));
    }

    // A pipeline's results under `top`: an overview, a sizes page and a gallery of size 4
    // with two pictures, on the sequence seq/g.fa.
    void writeResults(const QDir& top)
    {
        QVERIFY(top.mkpath("results/g/size-4") && top.mkpath("seq"));
        WriteFile(top.filePath("seq/g.fa"), ">c\nACGTACGTACGTACGT\n");
        WriteFile(top.filePath("results/index.htm"),
                  "<html><body><br>Genomes: 1<br>\r\n<table>\r\n<tr><td>g</td><td>g.fa</td><td>"
                  "<a href=\"g/index.htm\">size 4</a>: 2 repeats</td></tr>\r\n</table></body></html>");
        QVERIFY(lirovane::WriteSizesPage(QFile::encodeName(top.filePath("results/g/index.htm")).toStdString(),
                                         "seq/g.fa", {{4, 2, 2, "size-4"}}));
        const QDir gallery(top.filePath("results/g/size-4"));
        lirovane::GalleryPage page(QFile::encodeName(gallery.filePath("index.htm")).toStdString(), "seq/g.fa", 4, 2);
        for (const int n : {1, 6}) {
            QImage(40, 30, QImage::Format_RGB32).save(gallery.filePath(QString::number(n) + ".bmp"), "BMP");
            page.AddCell(std::to_string(n) + ".bmp", n);
        }
        QVERIFY(page.Close());
        WriteFile(gallery.filePath("starts.txt"), "1\r\n6\r\n");
        WriteFile(gallery.filePath("ends.txt"), "5\r\n10\r\n");
    }

    // A feature gallery beside the repeats: one picture of a minus-strand feature, found in
    // the features.tsv beside it.
    QString writeFeatureGallery()
    {
        QDir(m_work.path()).mkpath("feat");
        WriteFile(m_work.filePath("feat/g.fa"), ">chr1\nACGTACGTAC\n");
        WriteFile(m_work.filePath("feat/index.htm"), "<html><body><br>Sequence file: g.fa<br>");
        WriteFile(m_work.filePath("feat/features.tsv"), "picture\trecord\tstart\tend\tname\tstrand\ttype\n"
                                                        "f.bmp\tchr1\t3\t9\tf\t-\tgene\n");
        QFile::copy(m_work.filePath("6.bmp"), m_work.filePath("feat/f.bmp"));
        return "feat/f.bmp";
    }

private slots:
    void initTestCase()
    {
        QDir::setCurrent(m_work.path());
        // Three repeats of size 4 at 1..5, 6..10, 11..15; a name the profile must keep as it is.
        m_seq = WriteFile(m_work.filePath("séquence ä.fa"), "ACGTACGTACGTACGTACGT\n");
        m_pat = WriteFile(m_work.filePath("pat.txt"), "1 5 4\n6 10 4\n11 15 4\n2 9 7\n");
    }
    void cleanup()
    {
        m_app.reset();
        m_store.reset();
        m_profile.reset();
        QDir::setCurrent(m_work.path());
    }

    // First run: the settings dialog comes before the window; cancel keeps the defaults
    // in memory and writes only "Path"; OK writes every key. Then the window's toolbar:
    // its buttons and tooltips, docked anywhere; the browser fills the view after every
    // size change, toolbar moves included.
    void first_run_data()
    {
        QTest::addColumn<bool>("confirm");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("area");
        QTest::newRow("cancelled, smaller, toolbar left") << false << "Path" << QSize(400, 300) << int(Qt::LeftToolBarArea);
        QTest::newRow("confirmed, larger, toolbar bottom")
            << true
            << "AsColor CsColor GsColor Letter1 Letter2 Letter3 Letter4 Letter5 Letter6 Letter7 Letter8 LetterOrientation "
               "NumberOfRepeatsInThisSet Path SequenceFile SizeOfRepeats StartsEndsAndSizesFile TsColor"
            << QSize(900, 700) << int(Qt::BottomToolBarArea);
    }
    void first_run()
    {
        QFETCH(bool, confirm);
        QFETCH(QString, keys);
        QFETCH(QSize, size);
        QFETCH(int, area);
        bool windowShown = true;
        ModalDriver driver([&](QWidget* modal) {
            windowShown = false;
            for (QWidget* w : QApplication::topLevelWidgets())
                windowShown |= qobject_cast<CMainFrame*>(w) && w->isVisible();
            if (auto* dlg = qobject_cast<CSettingsDlg*>(modal); dlg && confirm) {
                dlg->m_strPatternsFile = m_pat;
                dlg->m_strSequenceFile = m_seq;
                dlg->Refresh();
                Child<QPushButton>(dlg, "okButton")->click();
            }
        });
        start(false);
        QCOMPARE(driver.title(), QStringLiteral("Morkelby Settings..."));
        QVERIFY(!windowShown);
        QCOMPARE(m_app->settings().sizeOfRepeats, 43);
        QCOMPARE(m_app->settings().sequenceFile.empty(), !confirm);
        QSettings stored(profile(), QSettings::IniFormat);
        stored.beginGroup("Lirovane");
        QStringList names = stored.childKeys();
        names.sort();
        QCOMPARE(names.join(' '), keys);

        QToolBar* bar = frame()->toolBar();
        QStringList tips;
        for (QAction* action : bar->actions()) { // each a 62 x 15 picture on grey
            tips << QStringLiteral("%1 %2").arg(action->data().toInt()).arg(bar->widgetForAction(action)->toolTip());
            QCOMPARE(action->icon().pixmap(QSize(62, 15)).toImage().pixelColor(1, 1), QColor(192, 192, 192));
        }
        QCOMPARE(tips.join(", "), QStringLiteral("57600 Change, 57601 Run, 57603 Back, 57634 Strandscope"));
        QVERIFY(bar->isFloatable() && bar->allowedAreas() == Qt::AllToolBarAreas && !frame()->findChild<QStatusBar*>());
        frame()->resize(size);
        frame()->addToolBar(Qt::ToolBarArea(area), bar);
        QTRY_VERIFY(!frame()->view()->geometry().intersects(bar->geometry()));
        QCOMPARE(browser()->geometry(), frame()->view()->rect());
    }

    // Every accelerator with the browser focused (it would take Ctrl+C as copy): the
    // command that runs and the modal window it opens; keys without a handler do nothing.
    // The title and the menus stay as they are.
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
        QTest::newRow("Ctrl+Shift+O, Open gallery") << QKeySequence("Ctrl+Shift+O") << 32800 << "";
        for (const char* dead :
             {"Ctrl+P", "Ctrl+Z", "Ctrl+X", "Ctrl+V", "Alt+Backspace", "Shift+Del", "Shift+Ins", "F6", "Shift+F6"})
            QTest::newRow(dead) << QKeySequence(QString::fromLatin1(dead)) << 0 << "";
    }
    void accelerators()
    {
        QFETCH(QKeySequence, key);
        QFETCH(int, command);
        QFETCH(QString, modal);
        start();
        // Made editable, the control claims Ctrl+C and the like for itself: the table's keys come first.
        browser()->setReadOnly(false);
        browser()->setFocus();
        browser()->selectAll();
        QApplication::clipboard()->setText("untouched");
        QList<int> fired;
        for (int id : {57600, 57601, 57603, 57634, 57664, 57665, 32800})
            connect(frame()->command(id), &QAction::triggered, this, [&fired, id] { fired << id; });
        const QString page = browser()->toHtml();
        ModalDriver driver(nullptr);
        QTest::keySequence(browser(), key);
        QTRY_COMPARE_WITH_TIMEOUT(driver.title(), modal, 2000);
        QCOMPARE(fired, command ? QList<int>{command} : QList<int>{});
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("untouched"));
        if (command == 0)
            QCOMPARE(browser()->toHtml(), page);
        QCOMPARE(frame()->windowTitle(), QStringLiteral("Lirovane"));
        for (QAction* action : frame()->findChildren<QAction*>())
            QVERIFY(action->isEnabled() || !action->isVisible()); // an unused recent entry is hidden
    }

    // Ctrl+O: the pictures, the page shown in the browser, the bar's right edge after
    // each of three pictures, and beside the window the count and the sequence's name.
    // Keys during the run are dropped (the end-to-end test presses them); Escape or Cancel
    // after the first picture keeps that picture and the previous page, and says so. A
    // picture that cannot be written is reported once.
    void batch_data()
    {
        QTest::addColumn<QString>("blocked"); // a folder in this picture's place
        QTest::addColumn<QString>("during");  // done after the first picture
        QTest::newRow("all written") << "" << "";
        QTest::newRow("one unwritable") << "6.bmp" << "";
        QTest::newRow("Escape") << "" << "Escape";
        QTest::newRow("Cancel") << "" << "Cancel";
    }
    void batch()
    {
        QFETCH(QString, blocked);
        QFETCH(QString, during);
        start();
        frame()->setGeometry(10, 10, 500, 300); // room on its right
        QList<int> edges;
        QStringList beside;
        connect(frame()->view(), &CMorkelbyView::batchProgress, this, [&] {
            const QImage& image = frame()->view()->waitImage();
            int x = 102;
            while (x < image.width() && image.pixel(x, 145) == qRgb(0, 0, 0))
                ++x;
            edges << x;
            if (edges.size() == 1) {
                QWidget* progress = Child(frame(), "runProgress");
                beside << Child<QLabel>(progress, "runCount")->text() << Child<QLabel>(progress, "runSequence")->text();
                QVERIFY(progress->isVisible() && progress->x() > frame()->frameGeometry().right());
                interrupt(during);
            }
        });
        int finished = 0;
        connect(frame()->view(), &CMorkelbyView::batchFinished, this, [&finished] { ++finished; });
        const QString where = QDir::currentPath();
        const QStringList pictures = {"1.bmp", "6.bmp", "11.bmp"};
        for (const QString& name : pictures)
            QFile::remove(m_work.filePath(name));
        WriteFile(m_work.filePath("index.htm"), "the previous page");
        QVERIFY(blocked.isEmpty() || QDir(m_work.path()).mkdir(blocked));
        ModalDriver driver(nullptr);
        browser()->setFocus();
        QTest::keySequence(browser(), QKeySequence("Ctrl+O"));
        if (!blocked.isEmpty())
            QDir(m_work.path()).rmdir(blocked);

        const bool stopped = during == "Escape" || during == "Cancel";
        QCOMPARE(finished, 1);
        QCOMPARE(driver.title(), QString());
        QCOMPARE(beside, (QStringList{"1 of 3 pictures", "séquence ä.fa"}));
        QVERIFY(!frame()->findChild<QWidget*>("runProgress"));
        QCOMPARE(edges, stopped ? QList<int>({201}) : QList<int>({201, 300, 402}));
        for (const QString& name : pictures)
            QVERIFY2((QFileInfo(m_work.filePath(name)).size() > 0) ==
                         (name != blocked && (!stopped || name == "1.bmp")),
                     qPrintable(name));
        QStringList messages;
        if (stopped)
            messages << "Create images was cancelled: 1 picture was written to " + where +
                            ".\nThe page index.htm was not replaced.";
        if (!blocked.isEmpty())
            messages << "1 of 3 pictures cannot be written to " + where + ".";
        QCOMPARE(m_pickers.messages, messages);
        QVERIFY(!Child(frame()->view(), "waitSurface")->isVisible());
        if (stopped) {
            QCOMPARE(ReadFile(m_work.filePath("index.htm")), QByteArray("the previous page"));
            QCOMPARE(browser()->currentAddress(), QUrl("about:start"));
            return;
        }
        QCOMPARE(browser()->currentAddress(), QUrl::fromLocalFile(where + "/index.htm"));
        browseGallery(where);
    }
    // Create images in a folder another run is writing touches nothing and says so, as the
    // overview does in its overview/ folder. With a sequence that cannot be read, or no
    // selection in this folder (the settings were confirmed in another), it still writes
    // the page, then says why in one message instead of showing an empty gallery as a success.
    void batch_refusals_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("message"); // the folder as %1, the sequence as %2
        QTest::newRow("folder in use") << "lock" << "%1 is in use by another Lirovane run";
        QTest::newRow("sequence missing")
            << "sequence" << "The sequence file cannot be read, so no picture was made.\n%2: No such file or directory";
        QTest::newRow("no selection here")
            << "selection" << "The selected repeats, starts.txt and ends.txt, cannot be read in %1.\n"
               "%1/starts.txt: No such file or directory\n"
               "OK in the settings dialog (Change Settings) makes a selection in this folder.";
        QTest::newRow("overview's folder in use") << "overview lock" << "%1/overview is in use by another Lirovane run";
    }
    void batch_refusals()
    {
        QFETCH(QString, fault);
        QFETCH(QString, message);
        start();
        const QString page = m_work.filePath("index.htm");
        QFile::remove(page);
        lirovane::FolderLock other;
        const bool overview = fault == "overview lock";
        QVERIFY(!overview || QDir(m_work.path()).mkpath("overview"));
        if (fault.endsWith("lock"))
            QVERIFY(other.Acquire(QFile::encodeName(m_work.filePath(overview ? "overview" : "")).toStdString()).ok());
        if (fault == "selection")
            QVERIFY(QFile::remove(m_work.filePath("starts.txt")) && QFile::remove(m_work.filePath("ends.txt")));
        if (fault == "sequence")
            QVERIFY(QFile::rename(m_seq, m_seq + ".away"));
        if (overview)
            frame()->command(Command::Overview)->trigger();
        else
            QTest::keySequence(browser(), QKeySequence("Ctrl+O"));
        if (fault == "sequence")
            QVERIFY(QFile::rename(m_seq + ".away", m_seq));
        QCOMPARE(m_pickers.messages, QStringList{message.replace("%1", QDir::currentPath()).replace("%2", m_seq)});
        QCOMPARE(ReadFile(page).contains("Number of repeats: 3<br>"), !fault.endsWith("lock"));
        QVERIFY(!overview || QDir(m_work.filePath("overview")).isEmpty()); // nothing written
    }

    // A gallery that lirovane-batch made as PNG or SVG: the page shows its thumbnail at
    // the page's size.
    void gallery_formats_data()
    {
        QTest::addColumn<int>("formatNumber");
        QTest::newRow("png") << int(lirovane::PictureFormat::Png);
        QTest::newRow("svg") << int(lirovane::PictureFormat::Svg);
    }
    void gallery_formats()
    {
        QFETCH(int, formatNumber);
        start();
        QTemporaryDir gallery;
        const QByteArray walk = QByteArray(150, 'A') + QByteArray(100, 'C') + QByteArray(40, 'T') + "GG";
        const QString seq = WriteFile(gallery.filePath("walk.fa"), walk + "A");
        WriteFile(gallery.filePath("starts.txt"), "1\r\n");
        WriteFile(gallery.filePath("ends.txt"), QByteArray::number(walk.size() + 1) + "\r\n");
        lirovane::QuietDisplay display;
        const lirovane::AppSettings settings = Settings(seq, seq, 4, 1);
        const auto format = lirovane::PictureFormat(formatNumber);
        QCOMPARE(lirovane::CreateImages(settings, display, QFile::encodeName(gallery.path()).toStdString(), format).pictures, 1);
        const QString name = "1." + QString::fromStdString(std::string(lirovane::PictureFormatName(format)));
        browser()->Navigate(gallery.filePath("index.htm"));
        browser()->grab();
        const QImage thumb =
            browser()->document()->resource(QTextDocument::ImageResource, QUrl(name)).value<QPixmap>().toImage();
        QCOMPARE(thumb.size(), QSize(100, 100));
        // The long left run lies about 100 steps below the top of a 141-pixel-high picture.
        QVERIFY(thumb.pixel(50, 85) != qRgb(255, 255, 255));
    }

    // Galleries made elsewhere: a pipeline's overview, a several-sizes page and a gallery,
    // opened by the Menu, as the program's argument (a folder or a page) or dropped on the
    // window. Links go down to the thumbnails, whose tooltips say where each repeat lies;
    // Back climbs up again. A missing page or another page is refused with a message. The
    // working folder and "Path" stay; each gallery opened heads the recent list.
    void open_gallery_data()
    {
        QTest::addColumn<QString>("how");   // menu, argument, drop
        QTest::addColumn<QString>("path");  // under the results folder's parent
        QTest::addColumn<QString>("links"); // followed in turn
        QTest::addColumn<QString>("shown"); // the page shown at the end, or the message's start
        const auto row = [](const char* what, const char* how, const char* path, const char* links, const char* shown) {
            QTest::newRow(what) << how << path << links << shown;
        };
        row("overview by the menu", "menu", "results/index.htm", "g/index.htm size-4/index.htm",
            "results/g/size-4/index.htm");
        row("sizes page by its folder", "argument", "results/g", "size-4/index.htm", "results/g/size-4/index.htm");
        row("gallery page dropped", "drop", "results/g/size-4/index.htm", "", "results/g/size-4/index.htm");
        row("missing page", "argument", "results/none", "", "There is no gallery at ROOT/results/none");
        row("not a gallery", "menu", "seq/g.fa", "", "ROOT/seq/g.fa is not a gallery page");
    }
    void open_gallery()
    {
        QFETCH(QString, how);
        QFETCH(QString, path);
        QFETCH(QString, links);
        QFETCH(QString, shown);
        QTemporaryDir root; // results/ and the sequence a pipeline read as seq/g.fa
        const QDir top(root.path());
        writeResults(top);
        start();
        const QString target = top.filePath(path);
        if (how == "menu") {
            m_pickers.files << target;
            m_pickers.wanderTo = top.filePath("seq");
            frame()->command(32800)->trigger();
        } else if (how == "argument") {
            frame()->view()->OpenGallery(QDir(m_work.path()).relativeFilePath(target));
        } else {
            QMimeData data;
            data.setUrls({QUrl::fromLocalFile(target)});
            QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(frame(), &enter);
            QVERIFY(enter.isAccepted());
            QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(frame(), &drop);
        }
        for (const QString& link : links.split(' ', Qt::SkipEmptyParts))
            emit browser()->anchorClicked(QUrl(link));
        QCOMPARE(QDir::currentPath(), m_work.path());
        QCOMPARE(QString::fromStdString(m_store->GetProfileString(lirovane::kProfileSection, "Path")), m_work.path());
        if (!shown.startsWith("results/")) {
            QCOMPARE(m_pickers.messages.size(), 1);
            QVERIFY2(m_pickers.messages[0].startsWith(shown.replace("ROOT", root.path())),
                     qPrintable(m_pickers.messages[0]));
            QVERIFY(frame()->view()->recentGalleries().isEmpty());
            return;
        }
        QCOMPARE(browser()->currentAddress(), QUrl::fromLocalFile(top.filePath(shown)));
        ThumbnailView* view = browser()->thumbnailView();
        QVERIFY(view && browser()->showsThumbnails());
        QCOMPARE(view->toolTipAt(view->thumbnailRect(1).center()), QString("c:4-8")); // positions 6 to 10
        for (int i = 0; i < links.count(' ') + (links.isEmpty() ? 0 : 1); ++i)
            frame()->view()->OnBack();
        const QString opened = QFileInfo(target).isDir() ? target + "/index.htm" : target;
        QCOMPARE(browser()->currentAddress(), QUrl::fromLocalFile(opened));
        QCOMPARE(frame()->view()->recentGalleries().value(0), opened);
        QCOMPARE(frame()->recentGalleryActions().value(0)->text(), "&1 " + QDir::toNativeSeparators(opened));
    }

    // The recent galleries: newest first, one entry per page, at most four, in a section
    // of their own.
    void recent_galleries()
    {
        lirovane::MemoryProfileStore store;
        RecentGalleries recent(store);
        for (const char* page : {"a", "b", "c", "b", "d", "e"})
            recent.add(page);
        QCOMPARE(recent.list(), (QStringList{"e", "d", "b", "c"}));
        QCOMPARE(store.GetProfileString("Recent Galleries", "Gallery4"), "c");
        QCOMPARE(store.GetProfileString(lirovane::kProfileSection, "Gallery1"), "");
    }

    // Show in Strandscope from a thumbnail and from the picture it opens: the viewer opens
    // on the page's sequence at the repeat's first position. A picture whose name is no
    // position offers no entry. A sequence that has gone is asked for; when the chooser is
    // cancelled, the message names where it was looked for.
    void show_in_strandscope_data()
    {
        QTest::addColumn<bool>("opened");   // the picture opened, not its thumbnail
        QTest::addColumn<QString>("name");  // the picture
        QTest::addColumn<QString>("shown"); // the viewer's start box and line, or "no entry"
        const QString line = "5 séquence ä.fa, zoom 1";
        QTest::newRow("thumbnail") << false << "6.bmp" << line;
        QTest::newRow("opened picture") << true << "6.bmp" << line;
        QTest::newRow("opened, not a repeat") << true << "p.bmp" << "no entry";
        QTest::newRow("sequence gone, chooser cancelled") << false << "6.bmp" << "not found";
        QTest::newRow("overview's record, whole") << false << "overview" << "0 séquence ä.fa, zoom 1";
        QTest::newRow("feature on minus") << true << "feature" << "7 g.fa, zoom 1"; // after ">chr1"
    }
    void show_in_strandscope()
    {
        QFETCH(bool, opened);
        QFETCH(QString, name);
        QFETCH(QString, shown);
        start();
        // The overview of the settings' sequence goes to overview/ in the working folder.
        const bool overview = name == "overview";
        const bool feature = name == "feature";
        if (overview)
            frame()->command(Command::Overview)->trigger();
        else
            QTest::keySequence(browser(), QKeySequence("Ctrl+O"));
        QFile::remove(m_work.filePath("p.bmp"));
        QVERIFY(overview || QFile::copy(m_work.filePath("6.bmp"), m_work.filePath("p.bmp")));
        QCOMPARE(browser()->currentAddress(),
                 QUrl::fromLocalFile(m_work.filePath(overview ? "overview/index.htm" : "index.htm")));
        QWidget* target = browser()->viewport();
        QPoint at(10, 10);
        if (feature)
            name = writeFeatureGallery();
        if (opened) {
            browser()->Navigate(m_work.filePath(name));
        } else {
            ThumbnailView* view = browser()->thumbnailView();
            QVERIFY(view && browser()->showsThumbnails());
            target = view->viewport();
            at = view->thumbnailRect(overview ? 0 : 1).center(); // 6.bmp, or the record
        }
        QString seen = "no entry";
        ModalDriver driver([&seen](QWidget* viewer) {
            seen =
                Child<QLineEdit>(viewer, "startIndexEdit")->text() + " " + Child<QLabel>(viewer, "statusLine")->text();
            // A record is shown whole, unmarked; a repeat's stretch is marked; a minus feature on its strand.
            if (Child<QPushButton>(viewer, "strandButton")->isChecked())
                seen += " minus";
            seen += qobject_cast<CStrandscopeDlg*>(viewer)->marks().empty() ? " unmarked" : " marked";
        });
        QTimer::singleShot(0, this, [] {
            if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
                menu->setActiveAction(menu->findChild<QAction*>("showInStrandscope"));
                QTest::keyClick(menu, Qt::Key_Return);
                menu->close(); // left open when there is no entry
            }
        });
        const bool gone = shown == "not found";
        QVERIFY(!gone || QFile::rename(m_seq, m_seq + ".away"));
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, target->mapToGlobal(at));
        QApplication::sendEvent(target, &event);
        if (gone) {
            QVERIFY(QFile::rename(m_seq + ".away", m_seq));
            // The chooser asked for the file by name; cancelled, the message names where it was looked for.
            QCOMPARE(m_pickers.fileInitialNames, QStringList{QFileInfo(m_seq).fileName()});
            QCOMPARE(m_pickers.messages.size(), 1);
            QVERIFY2(m_pickers.messages[0].endsWith("Looked for:\n" + m_seq), qPrintable(m_pickers.messages[0]));
            return;
        }
        const QString ending = feature ? " minus unmarked" : overview ? " unmarked" : " marked";
        QVERIFY2(seen.startsWith(shown) && (seen == "no entry" || seen.endsWith(ending)), qPrintable(seen));
    }
};

QTEST_MAIN(TestMainWindow)
#include "test_main_window.moc"
