// The Strandscope viewer and its colour dialog, with answered pickers. The index rules
// and the drawing are the model's, tested in the core; these show the widgets use them.

#include "ui/viewer/strandscope_dlg.h"
#include "ui/viewer/strandscope_launcher.h"

#include "ui/app/gallery_source.h"
#include "ui/viewer/stretch_marks.h"

#include "core/settings/memory_profile_store.h"
#include "ui/app/qt_color.h"
#include "ui_test_support.h"

#include <QPushButton>

class TestStrandscopeDlg : public QObject {
    Q_OBJECT

    QTemporaryDir m_home;      // "Path"
    QTemporaryDir m_elsewhere; // where the choosers leave the working directory
    lirovane::MemoryProfileStore m_store;
    FakePickers m_pickers;
    std::unique_ptr<CStrandscopeDlg> m_viewer;
    QString m_file;           // what Load chooses
    bool m_savedOnce = false; // a picture was saved in this run: Save image opens where it went

    // Steps of a scenario: a button by the start of its name, a key, or "type" and what
    // is typed into the start box. Load answers m_file, "load=NAME" and "save=NAME" a
    // file in the folder the chooser went to (no name: cancelled).
    void act(const QString& steps)
    {
        static const QHash<QString, Qt::Key> keys = {{"PgDn", Qt::Key_PageDown}, {"PgUp", Qt::Key_PageUp},
                                                     {"+", Qt::Key_Plus},        {"-", Qt::Key_Minus},
                                                     {"Enter", Qt::Key_Return},  {"Esc", Qt::Key_Escape}};
        for (const QString& step : steps.split(' ', Qt::SkipEmptyParts)) {
            if (step == "load")
                m_pickers.files << m_file;
            else if (step.contains('='))
                m_pickers.files << chosen(step);
            if (keys.contains(step)) {
                QTest::keyClick(QApplication::focusWidget(), keys[step]);
            } else if (step.startsWith("type")) {
                auto* edit = Child<QLineEdit>(m_viewer.get(), "startIndexEdit");
                QTest::mouseClick(edit, Qt::LeftButton);
                edit->selectAll();
                QTest::keyClicks(edit, step.mid(4));
            } else {
                QTest::mouseClick(Child(m_viewer.get(), qPrintable(step.section('=', 0, 0) + "Button")),
                                  Qt::LeftButton);
            }
        }
    }
    // The two index boxes, or "closed".
    QString state() const
    {
        if (!m_viewer->isVisible())
            return "closed";
        return Child<QLineEdit>(m_viewer.get(), "startIndexEdit")->text() + "-" +
               Child<QLineEdit>(m_viewer.get(), "endIndexEdit")->text();
    }
    QString chosen(const QString& step) const
    {
        const QString name = step.section('=', 1);
        return name.isEmpty() ? QString() : m_elsewhere.filePath(name);
    }
    QImage screen() const { return Child(m_viewer.get(), "pictureArea")->grab().toImage(); }

private slots:
    void initTestCase() { m_store.WriteProfileString(lirovane::kProfileSection, "Path", m_home.path().toStdString()); }
    void init()
    {
        QDir::setCurrent(m_home.path());
        m_pickers = FakePickers();
        m_pickers.wanderTo = m_elsewhere.path();
        m_file = WriteFile(m_home.filePath("t.txt"), QByteArray(1000, 'T'));
        m_viewer = std::make_unique<CStrandscopeDlg>(m_pickers, m_store);
        QVERIFY(ShowActive(m_viewer.get()));
    }
    void cleanup() { m_viewer.reset(); }

    // Go to takes name:pos, name:pos-end, name or a start index, by the button or by
    // Ctrl+G and Enter; the line under the picture names file, zoom and bases, or why not.
    void go_to_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("byKeys");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("status");
        const auto row = [](const char* name, const char* typed, bool byKeys, const char* start, const char* status) {
            QTest::newRow(name) << typed << byKeys << start << status;
        };
        row("name:pos", "chr2:3", false, "32", "g.fa, zoom 1, chr2:3-");
        row("name, by keys", "chr2", true, "30", "g.fa, zoom 1, chr2:1-");
        row("unknown name", "chr3:1", false, "0", "no record named \"chr3\"; closest: chr1, chr2");
    }
    void go_to()
    {
        QFETCH(QString, typed);
        QFETCH(bool, byKeys);
        QFETCH(QString, start);
        QFETCH(QString, status);
        m_file = WriteFile(m_home.filePath("g.fa"),
                           ">chr1\nACGTACGTAC\nGTACGTACGT\n>chr2\nTTTTTGGGGGCCCCCAAAAATTTTTGGGGGCC\n");
        act("load");
        auto* edit = Child<QLineEdit>(m_viewer.get(), "goToEdit");
        if (byKeys) {
            QTest::keyClick(m_viewer.get(), Qt::Key_G, Qt::ControlModifier);
            QVERIFY(edit->hasFocus());
            QTest::keyClicks(edit, typed);
            QTest::keyClick(edit, Qt::Key_Return); // goes there; the viewer stays open
            QVERIFY(m_viewer->isVisible());
        } else {
            edit->setText(typed);
            act("goTo");
        }
        QCOMPARE(Child<QLineEdit>(m_viewer.get(), "startIndexEdit")->text(), start);
        QVERIFY2(m_viewer->statusText().contains(status), qPrintable(m_viewer->statusText()));
    }

    // Show in Strandscope: the picture's name gives the repeat's first position (start
    // index one less) and its folder's starts.txt and ends.txt its stretch; the page's
    // "Sequence file:" line the file, a relative name looked for beside the page, in the
    // working folder, then above the page. The viewer opens there in the look it is given,
    // with the stretch's first and last steps marked over the picture, not in it.
    void show_in_strandscope_data()
    {
        QTest::addColumn<QString>("picture");
        QTest::addColumn<QByteArray>("page");
        QTest::addColumn<QString>("lies");  // folders holding "g & h.fa": page, working, above
        QTest::addColumn<qint64>("start");  // -1: not a picture of a repeat
        QTest::addColumn<QString>("found"); // the folder it is found in; empty: none
        const QByteArray head = "<html><body><br>Sequence file: g &amp; h.fa<br>\r\nConsensus size: 6<br>";
        QTest::newRow("beside the page") << "12.bmp" << head << "page working above" << qint64(11) << "page";
        QTest::newRow("in the working folder") << "12.bmp" << head << "working above" << qint64(11) << "working";
        QTest::newRow("above the page") << "12.bmp" << head << "above" << qint64(11) << "above";
        QTest::newRow("nowhere") << "12.bmp" << head << "" << qint64(11) << "";
        QTest::newRow("no page") << "7.bmp" << QByteArray() << "page" << qint64(6) << "";
        QTest::newRow("not a repeat") << "x.bmp" << head << "page" << qint64(-1) << "page";
    }
    void show_in_strandscope()
    {
        QFETCH(QString, picture);
        QFETCH(QByteArray, page);
        QFETCH(QString, lies);
        QFETCH(qint64, start);
        QFETCH(QString, found);
        QTemporaryDir above;
        QTemporaryDir working;
        const QMap<QString, QString> folders{
            {"above", above.path()}, {"page", above.filePath("gallery")}, {"working", working.path()}};
        QVERIFY(QDir(above.path()).mkdir("gallery"));
        QDir::setCurrent(working.path());
        const QByteArray sequence = ">chr1\nACGTACGTAC\nGTACGTACGT\n";
        for (const QString& folder : lies.split(' ', Qt::SkipEmptyParts))
            WriteFile(QDir(folders[folder]).filePath("g & h.fa"), sequence);
        const QDir gallery(folders["page"]);
        if (!page.isEmpty())
            WriteFile(gallery.filePath("index.htm"), page);
        WriteFile(gallery.filePath("starts.txt"), "7\r\n12\r\n");
        WriteFile(gallery.filePath("ends.txt"), "10\r\n15\r\n");
        QCOMPARE(PicturePosition(gallery.filePath(picture)).value_or(0) - 1, start);
        const GallerySource source = GallerySource::Read(gallery.path());
        const QString file = source.existingSequence();
        QCOMPARE(file, found.isEmpty() ? QString() : QDir(folders[found]).filePath("g & h.fa"));
        if (file.isEmpty() || start < 0)
            return;
        // Tokens 12 to 14 are the bases G T A: under orientation 2 up, down, left.
        QCOMPARE(DescribeStretch(file, 12, source.endOf(12)), QString("chr1:7-10"));
        m_viewer->setLook(2, {0x0000FFu, 0x00FF00u, 0xFF0000u, 0x00FFFFu});
        m_viewer->markStretch(11,
                              LettersAmongTokens(QFile::encodeName(file).toStdString(), 11, *source.endOf(12) - 12));
        m_viewer->loadAt(file, 11);
        QCOMPARE(Child<QLineEdit>(m_viewer.get(), "startIndexEdit")->text(), QString("11"));
        QCOMPARE(Child<QLabel>(m_viewer.get(), "legendAbove")->text(), QString("G"));
        const std::vector<MarkPoint> marks = m_viewer->marks();
        QCOMPARE(marks.size(), std::size_t{2});
        QCOMPARE(marks[1], (MarkPoint{marks[0].x - 1, marks[0].y}));
        // Black marks on screen only: the picture that Save image writes has none.
        const QImage shown = screen();
        int onScreen = 0;
        int inPicture = 0;
        for (int y = std::max(0, marks[0].y - 8); y <= marks[0].y + 8; ++y)
            for (int x = std::max(0, marks[0].x - 8); x <= marks[0].x + 8; ++x) {
                onScreen += shown.pixelColor(x, y) == Qt::black;
                const auto at = static_cast<std::size_t>(y * 650 + x) * 3;
                const auto& data = m_viewer->model().Image().Data();
                inPicture += data[at] == 0 && data[at + 1] == 0 && data[at + 2] == 0;
            }
        QVERIFY(onScreen > 0);
        QCOMPARE(inPicture, 0);
        m_viewer->next();
        QVERIFY(m_viewer->marks().empty());
    }

    // Buttons and keys on a file of 1000 letters, the boxes after each step. Typed text
    // counts once the focus leaves the box or a key acts from it; Enter closes the
    // viewer whatever has the focus. Load and Save image open on "*.txt" and "*.bmp";
    // after them, confirmed or not, "Path" is the working directory again; Save image opens
    // where the last picture was saved. Save before a Load writes a white 650 x 380 picture;
    // one that cannot be written is reported with the system's reason.
    void commands_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char* name, const char* steps, const char* expected) {
            QTest::newRow(name) << steps << expected;
        };
        row("buttons and keys", "load next PgDn previous PgUp zoomIn + - zoomOut zoomOut -",
            "0-639 639-1000 639-1000 0-639 0-639 0-319 0-212 0-319 0-639 0-639 0-639");
        row("nothing before a load", "next previous redraw zoomIn + PgDn load", "- - - - - - 0-639");
        row("typed, Next, Previous", "load type250 next previous", "0-639 250-639 639-1000 250-889");
        row("typed, Page Down in the box", "load type250 PgDn PgUp", "0-639 250-639 639-1000 250-889");
        row("typed before a load", "type7 next load", "7- 7- 0-639");
        row("Enter in the box", "load type250 Enter", "0-639 250-639 closed");
        row("Enter on a button", "load Enter", "0-639 closed");
        row("Esc", "Esc", "closed");
        row("load a short file", "load next load=short.txt", "0-639 639-1000 0-3");
        row("load cancelled", "load next load=", "0-639 639-1000 639-1000");
        row("save before a load", "save=p.bmp", "- white");
        row("save where it cannot", "load next save=no/such/p.bmp", "0-639 639-1000 639-1000 reported");
        // Below zoom 1: 1000 letters fit at 1:2, the level Fit record finds; + returns to zoom 1.
        row("levels", "load zoomOutFurther zoomOutFurther zoomInCloser fitRecord +",
            "0-639 0-1000 0-1000 0-639 0-1000 0-639");
    }
    void commands()
    {
        QFETCH(QString, steps);
        QFETCH(QString, expected);
        WriteFile(m_elsewhere.filePath("short.txt"), "ACG");
        QImage white(650, 380, QImage::Format_RGB32);
        white.fill(Qt::white);
        QStringList shown;
        for (const QString& step : steps.split(' ')) {
            // Load opens where the file on show lies.
            const QString onShow = m_viewer->model().HasSequence()
                                       ? QFile::decodeName(m_viewer->model().ViewerPath().string().c_str())
                                       : QString();
            act(step);
            shown << state();
            const bool load = step.startsWith("load");
            if (load || step.startsWith("save")) {
                QCOMPARE(QDir::currentPath(), QDir(m_home.path()).canonicalPath());
                QCOMPARE(m_pickers.fileInitialNames.last(), load ? "*.txt" : "*.bmp");
                QCOMPARE(m_pickers.fileFilters.last(), load ? SequenceFileFilters() : PictureFileFilters());
                QCOMPARE(m_pickers.fileCurrents.last(), load ? onShow : m_savedOnce ? m_elsewhere.path() : QString());
            }
            m_savedOnce = m_savedOnce || (!load && QFileInfo::exists(chosen(step)));
            if (QFileInfo::exists(chosen(step)) && !load)
                shown.last() +=
                    QImage(chosen(step)).convertToFormat(QImage::Format_RGB32) == white ? " white" : " drawn";
            for (const QString& message : std::exchange(m_pickers.messages, {}))
                shown.last() += !chosen(step).isEmpty() && message.contains(QDir::toNativeSeparators(chosen(step))) &&
                                        message.contains("No such file or directory") // the system's reason
                                    ? " reported"
                                    : " " + message;
        }
        QCOMPARE(shown.join(' '), expected);
    }

    // The real colour dialog from the viewer, closed by Esc: its values count, the legend
    // (left, above, below, right) follows, a loaded sequence is drawn again.
    void colour_dialog_from_viewer_data()
    {
        QTest::addColumn<bool>("loaded");
        QTest::addColumn<QString>("click");
        QTest::addColumn<QString>("legend");
        QTest::newRow("empty, orientation 2") << false << "radio1018" << "AGTC";
        QTest::newRow("loaded, Gs recoloured") << true << "colorButton1022" << "ACGT";
    }
    void colour_dialog_from_viewer()
    {
        QFETCH(bool, loaded);
        QFETCH(QString, click);
        QFETCH(QString, legend);
        m_file = WriteFile(m_home.filePath("g.txt"), "GGGGGGGGGG");
        act(loaded ? "load" : "");
        const QImage before = screen();
        const lirovane::Color picked = 0x123456;
        m_pickers.colors << picked;
        ModalDriver driver([&click](QWidget* modal) {
            QTest::mouseClick(Child(modal, qPrintable(click)), Qt::LeftButton);
            QTest::keyClick(modal, Qt::Key_Escape);
        });
        act("settings");
        QString shown;
        for (const char* name : {"legendLeft", "legendAbove", "legendBelow", "legendRight"})
            shown += Child<QLabel>(m_viewer.get(), name)->text();
        QCOMPARE(shown, legend);
        QCOMPARE(m_viewer->model().Colors()[2], m_pickers.colors.isEmpty() ? picked : lirovane::kDefaultColors[2]);
        QCOMPARE(state(), QString(loaded ? "0-10" : "-"));
        QCOMPARE(screen() != before, loaded);
    }

    // The on-screen area is white before a load, and after it everywhere the picture that
    // Save image writes: TTTCC at zoom 3 (T steps right in green, C up in blue).
    void screen_pixels()
    {
        QCOMPARE(screen().pixelColor(4, 7), QColor(Qt::white));
        m_file = WriteFile(m_home.filePath("tc.txt"), "TTTCC");
        act("load + +");
        const QImage shot = screen();
        QCOMPARE(shot.size(), QSize(650, 380));
        QCOMPARE(shot.pixelColor(9, 11), QColor(Qt::green));
        QCOMPARE(shot.pixelColor(13, 6), QColor(Qt::blue));
        const auto& image = m_viewer->model().Image();
        for (int y = 0; y < 380; y += 7)
            for (int x = 0; x < 650; x += 3)
                QVERIFY2(shot.pixel(x, y) == ToQColor(image.PixelAt(x, y)).rgb(),
                         qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
    }

    // Save image offers BMP first, then PNG and SVG: the typed extension decides when it
    // names one of them, the chosen filter otherwise, and the name is kept as typed. It
    // never writes over the sequence file on show, whatever name reaches it: a message
    // names both files and the sequence keeps every byte (links to it: the core's no-loss
    // tests). A copy of it is another file.
    void save_data()
    {
        QTest::addColumn<QString>("name"); // in the folder the chooser went to, or how it names the sequence
        QTest::addColumn<int>("filter");   // index into the offered filters
        QTest::addColumn<QByteArray>("start"); // empty: refused
        const auto row = [](const char* what, const char* name, int filter, const char* start) {
            QTest::newRow(what) << name << filter << QByteArray(start);
        };
        row("bmp by default", "p.bmp", 0, "BM");
        row("png by filter, any other extension", "p.txt", 1, "\x89PNG");
        row("svg by extension", "p.SVG", 1, "<?xml");
        row("bmp by extension", "p.bmp", 2, "BM");
        row("all files", "p", 3, "BM");
        row("the sequence by its own name", "same", 0, "");
        row("the sequence by a relative name", "relative", 0, "");
        row("a copy of the sequence", "copy", 0, "BM");
    }
    void save()
    {
        QFETCH(QString, name);
        QFETCH(int, filter);
        QFETCH(QByteArray, start);
        m_file = WriteFile(m_home.filePath("seq.bmp"), "TTTCCAAAGG\n");
        const QString how = name;
        if (how == "same") {
            name = m_file;
        } else if (how == "relative") {
            name = QDir(m_elsewhere.path()).relativeFilePath(m_file); // the chooser leaves us there
        } else if (how == "copy") {
            QVERIFY(QFile::copy(m_file, name = m_elsewhere.filePath("copy.bmp")));
        } else {
            name = m_elsewhere.filePath(name);
        }
        m_pickers.saveFilters << PictureFileFilters().at(filter);
        act("load");
        m_pickers.files << name;
        act("save");
        QCOMPARE(ReadFile(m_file), QByteArray("TTTCCAAAGG\n"));
        if (start.isEmpty()) {
            QCOMPARE(m_pickers.messages.size(), 1);
            const QString message = m_pickers.messages.first();
            QVERIFY2(message.contains(m_file) && message.contains(name), qPrintable(message));
        } else {
            QVERIFY(m_pickers.messages.isEmpty());
            const QByteArray written = ReadFile(QDir(m_elsewhere.path()).filePath(name));
            QVERIFY2(written.startsWith(start), written.left(8).constData());
        }
    }
};

QTEST_MAIN(TestStrandscopeDlg)
#include "test_strandscope_dlg.moc"
