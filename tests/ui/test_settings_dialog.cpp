// The settings dialog and the settings flow, with answered pickers.

#include "app/image_canvas.h"
#include "settings/app_settings.h"
#include "settings/edit_settings.h"
#include "settings/memory_profile_store.h"
#include "settings/settings_dlg.h"
#include "ui_test_support.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <memory>

using lirovane::AppSettings;
using lirovane::MemoryProfileStore;

class TestSettingsDialog : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_seq;
    QString m_pat;
    FakePickers m_pickers;
    std::unique_ptr<CSettingsDlg> m_dlg;

    // Shows a dialog (not modal) on these files, with the focus inside it.
    void open(const QString& patterns, const QString& sequence)
    {
        m_pickers = FakePickers();
        m_dlg = std::make_unique<CSettingsDlg>(m_pickers);
        m_dlg->m_strPatternsFile = patterns;
        m_dlg->m_strSequenceFile = sequence;
        m_dlg->m_nRepeatSize = 43;
        m_dlg->m_clrA = 0x0000FF;
        m_dlg->m_clrT = 0x00FF00;
        m_dlg->show();
        QApplication::setActiveWindow(m_dlg.get());
        QVERIFY(QTest::qWaitForWindowActive(m_dlg.get()));
    }

    // Runs EditSettings on defaults with these files and "Path" at `home`, `act` working
    // the dialog; leaves the working directory it ends in in `after`.
    bool edit(AppSettings& settings, MemoryProfileStore& store, const QTemporaryDir& home,
              const std::function<void(QWidget*)>& act, QString* after = nullptr)
    {
        store.WriteProfileString("Lirovane", "Path", QFile::encodeName(home.path()).toStdString());
        const QString before = QDir::currentPath();
        QDir::setCurrent(m_dir.path()); // a chooser may have left us elsewhere
        ModalDriver driver(act);
        const bool ok = EditSettings(settings, store, m_pickers, nullptr);
        if (after)
            *after = QDir::currentPath();
        QDir::setCurrent(before);
        return ok;
    }
    AppSettings defaults(const QString& sequence, const QString& patterns) const
    {
        AppSettings s;
        s.SetFirstRunDefaults();
        s.sequenceFile = sequence.toStdString();
        s.patternsFile = patterns.toStdString();
        return s;
    }

private slots:
    void initTestCase()
    {
        m_seq = WriteFile(m_dir.filePath("seq.fa"), ">s\nACGTACGTACGTACGTACGTACGT\n");
        m_pat = WriteFile(m_dir.filePath("pat.txt"), "3 7 43\n10 14 4\n15 19 4\n");
    }
    void cleanup() { m_dlg.reset(); }

    // OK: the two file tests in order (a folder is no file), then the size typed (digits
    // only), left by a click on OK or ended by Enter.
    void ok_data()
    {
        QTest::addColumn<bool>("patternsExist");
        QTest::addColumn<bool>("sequenceExists");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("enter");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QStringList>("messages");
        const QString range = CSettingsDlg::OutOfRangeMessage();
        QTest::newRow("no files: two messages")
            << false << false << "43" << false << "43"
            << QStringList{"Invalid Starts, Ends and size file!", "Invalid Sequence file!"};
        QTest::newRow("sequence a folder") << true << false << "43" << false << "43"
                                           << QStringList{"Invalid Sequence file!"};
        QTest::newRow("250 refused") << true << true << "250" << false << "250" << QStringList{range};
        QTest::newRow("200 accepted") << true << true << "200" << false << "200" << QStringList{};
        QTest::newRow("1 accepted") << true << true << "1" << false << "1" << QStringList{};
        QTest::newRow("0 refused") << true << true << "0" << false << "0" << QStringList{range};
        QTest::newRow("huge clamped, refused") << true << true << "99999999999" << false << "2147483647"
                                               << QStringList{range};
        QTest::newRow("empty by Enter") << true << true << "" << true << ""
                                        << QStringList{CSettingsDlg::NotIntegerMessage()};
    }
    void ok()
    {
        QFETCH(bool, patternsExist);
        QFETCH(bool, sequenceExists);
        QFETCH(QString, typed);
        QFETCH(bool, enter);
        QFETCH(QString, shown);
        QFETCH(QStringList, messages);
        open(patternsExist ? m_pat : m_dir.filePath("nope.txt"), sequenceExists ? m_seq : m_dir.path());
        auto* size = Child<QLineEdit>(m_dlg.get(), "sizeEdit");
        size->setFocus();
        size->selectAll();
        QTest::keyClick(size, Qt::Key_Delete);
        QTest::keyClicks(size, typed + "x-");
        if (enter) {
            QTest::keyClick(size, Qt::Key_Return);
        } else {
            auto* ok = Child<QPushButton>(m_dlg.get(), "okButton");
            ok->setFocus(Qt::MouseFocusReason); // as a click does
            ok->click();
        }
        QCOMPARE(size->text(), shown);
        QCOMPARE(m_pickers.messages, messages);
        QCOMPARE(m_dlg->result() == QDialog::Accepted, messages.isEmpty());
        if (messages.isEmpty())
            QCOMPARE(m_dlg->m_nRepeatSize, shown.toInt());
        else if (!messages.last().startsWith("Invalid")) // a size message
            QCOMPARE(QApplication::focusWidget(), size);
    }

    // Leaving the size box refreshes every box from the values: typed paths go back.
    void size_focus_out_puts_paths_back()
    {
        open(m_pat, m_seq);
        auto* seqEdit = Child<QLineEdit>(m_dlg.get(), "sequenceEdit");
        seqEdit->setFocus();
        seqEdit->setText("/typed/by/hand.fa");
        Child(m_dlg.get(), "sizeEdit")->setFocus();
        Child(m_dlg.get(), "patternsEdit")->setFocus();
        QCOMPARE(seqEdit->text(), m_seq);
    }

    // The choosers open on "*.txt", the colour pickers on the slot's colour; a cancel
    // keeps the value, and what is shown follows at once.
    void pickers_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("answer"); // empty: cancelled
        QTest::addColumn<QString>("shownIn");
        QTest::addColumn<QString>("shown"); // "pat": the patterns file
        QTest::newRow("colour picked") << "colorButtonA" << "#336699" << "swatchA" << "#336699";
        QTest::newRow("colour cancelled") << "colorButtonT" << "" << "swatchT" << "#00ff00";
        QTest::newRow("file chosen") << "browseSequence" << "/chosen/file.fna" << "sequenceEdit" << "/chosen/file.fna";
        QTest::newRow("file cancelled") << "browsePatterns" << "" << "patternsEdit" << "pat";
    }
    void pickers()
    {
        QFETCH(QString, button);
        QFETCH(QString, answer);
        QFETCH(QString, shownIn);
        QFETCH(QString, shown);
        open(m_pat, m_seq);
        QWidget* target = Child(m_dlg.get(), qPrintable(shownIn));
        auto* edit = qobject_cast<QLineEdit*>(target);
        const QColor before = target->grab().toImage().pixelColor(15, 15);
        const QColor picked(answer);
        if (edit) {
            edit->setText("typed"); // the boxes are refreshed either way
            m_pickers.files << answer;
        } else if (picked.isValid()) {
            m_pickers.colors << qint64(lirovane::MakeColor(uchar(picked.red()), uchar(picked.green()), uchar(picked.blue())));
        }
        Child<QPushButton>(m_dlg.get(), qPrintable(button))->click();
        if (edit) {
            QCOMPARE(edit->text(), shown == "pat" ? m_pat : shown);
            QCOMPARE(m_pickers.fileInitialNames, QStringList{"*.txt"});
            QCOMPARE(m_pickers.fileFilters.value(0), SequenceFileFilters());
        } else {
            const QImage swatch = target->grab().toImage();
            QCOMPARE(swatch.pixelColor(15, 15).name(), shown);
            QCOMPARE(swatch.pixelColor(29, 29), QColor(Qt::white));
            QCOMPARE(ToQColor(m_pickers.colorRequests.value(0)), before);
        }
    }

    // The flow: OK sets the orientation (0 and 7 select no button and keep their letter
    // table), goes back to "Path", splits there and saves.
    void flow_ok_data()
    {
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("clicked"); // 0: no click
        QTest::addColumn<QByteArray>("letters");
        QTest::newRow("2 chosen") << 1 << 2 << QByteArray("agtcAGTC");
        QTest::newRow("0 kept") << 0 << 0 << QByteArray("xyzwXYZW");
        QTest::newRow("7 kept") << 7 << 0 << QByteArray("xyzwXYZW");
    }
    void flow_ok()
    {
        QFETCH(int, stored);
        QFETCH(int, clicked);
        QFETCH(QByteArray, letters);
        QTemporaryDir home;
        MemoryProfileStore store;
        AppSettings settings = defaults(m_seq, m_pat);
        settings.letterOrientation = stored;
        std::copy_n("xyzwXYZW", 8, settings.letters.entries.begin());
        settings.sizeOfRepeats = 4;
        int checkedOnOpen = 0;
        QString after;
        QVERIFY(edit(
            settings, store, home,
            [&](QWidget* modal) {
                for (int i = 1; i <= 3; ++i)
                    if (modal->findChild<QRadioButton*>(QStringLiteral("orientation%1").arg(i))->isChecked())
                        checkedOnOpen = i;
                if (clicked)
                    modal->findChild<QRadioButton*>(QStringLiteral("orientation%1").arg(clicked))->click();
                Child<QPushButton>(modal, "okButton")->click();
            },
            &after));
        const int saved = clicked ? clicked : stored;
        QCOMPARE(checkedOnOpen, stored == 1 ? 1 : 0);
        QCOMPARE(settings.letterOrientation, saved);
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(settings.letters.entries.data()), 8), letters);
        QCOMPARE(store.GetProfileInt("Lirovane", "LetterOrientation", -1), saved);
        QCOMPARE(store.GetProfileInt("Lirovane", "Letter1", -1), int(letters[0]));
        QCOMPARE(QDir(after).canonicalPath(), QDir(home.path()).canonicalPath());
        QCOMPARE(ReadFile(home.filePath("starts.txt")).simplified(), QByteArray("10 15"));
        QCOMPARE(store.GetProfileInt("Lirovane", "NumberOfRepeatsInThisSet", -1), 2);
    }

    // Escape after changing everything: no value, key or file changes.
    void flow_escape_changes_nothing()
    {
        QTemporaryDir home;
        MemoryProfileStore store;
        WriteFile(home.filePath("starts.txt"), "1\r\n");
        AppSettings settings = defaults(m_seq, m_pat);
        m_pickers = FakePickers();
        m_pickers.colors << 0x123456;
        m_pickers.files << "/elsewhere.fa";
        QVERIFY(!edit(settings, store, home, [](QWidget* modal) {
            modal->findChild<QRadioButton*>("orientation3")->click();
            Child<QPushButton>(modal, "colorButtonA")->click();
            Child<QPushButton>(modal, "browseSequence")->click();
            Child<QLineEdit>(modal, "sizeEdit")->setText("12");
            QTest::keyClick(modal, Qt::Key_Escape);
        }));
        QVERIFY(m_pickers.files.isEmpty()); // the dialog was worked
        const AppSettings original = defaults(m_seq, m_pat);
        QCOMPARE(settings.letterOrientation, original.letterOrientation);
        QCOMPARE(settings.asColor, original.asColor);
        QCOMPARE(settings.sequenceFile, original.sequenceFile);
        QCOMPARE(settings.sizeOfRepeats, original.sizeOfRepeats);
        QCOMPARE(store.Size(), std::size_t{1}); // only "Path"
        QCOMPARE(ReadFile(home.filePath("starts.txt")), QByteArray("1\r\n"));
    }

    // Tandem Repeats Finder output chosen as the patterns file splits as its triples do.
    void trf_dat_as_patterns_file()
    {
        QTemporaryDir home;
        MemoryProfileStore store;
        const QString examples = QStringLiteral(LIROVANE_EXAMPLES);
        AppSettings settings = defaults(examples + "/lambda_phage.fa", examples + "/lambda_phage.trf.dat");
        settings.sizeOfRepeats = 6;
        m_pickers = FakePickers();
        QVERIFY(edit(settings, store, home,
                     [](QWidget* modal) { Child<QPushButton>(modal, "okButton")->click(); }));
        QCOMPARE(m_pickers.messages, QStringList());
        QCOMPARE(settings.numberOfRepeatsInThisSet, 24);
        QCOMPARE(ReadFile(home.filePath("starts.txt")), SampleRepeats("6").first);
    }
};

QTEST_MAIN(TestSettingsDialog)
#include "test_settings_dialog.moc"
