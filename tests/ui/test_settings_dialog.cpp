// The settings dialog and the settings flow, with answered pickers; then the real Qt
// file choosers (the colour picker and the message box hand Qt's dialogs what they get).

#include "core/files/folder_lock.h"
#include "core/settings/app_settings.h"
#include "core/settings/memory_profile_store.h"
#include "ui/settings/edit_settings.h"
#include "ui/settings/settings_dlg.h"
#include "ui_test_support.h"

using lirovane::AppSettings;
using lirovane::MemoryProfileStore;

class TestSettingsDialog : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;    // the files, and the working directory a chooser left
    QTemporaryDir m_config; // where the real choosers keep their state
    QString m_seq;
    QString m_pat;
    std::unique_ptr<QTemporaryDir> m_home; // "Path"
    MemoryProfileStore m_store;
    FakePickers m_pickers;
    QtPickerServices m_qt;
    std::unique_ptr<CSettingsDlg> m_dlg;

    // EditSettings, `act` working its dialog.
    bool edit(AppSettings& settings, const std::function<void(QWidget*)>& act)
    {
        ModalDriver driver(act);
        return EditSettings(settings, m_store, m_pickers, nullptr);
    }

private slots:
    void initTestCase()
    {
        QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_config.path());
        m_seq = WriteFile(m_dir.filePath("seq.fa"), ">s\nACGTACGTACGTACGTACGTACGT\n");
        m_pat = WriteFile(m_dir.filePath("pat.txt"), "3 7 43\n10 14 4\n15 19 4\n");
    }
    void init()
    {
        m_home = std::make_unique<QTemporaryDir>();
        m_store = MemoryProfileStore();
        m_store.WriteProfileString("Lirovane", "Path", QFile::encodeName(m_home->path()).toStdString());
        m_pickers = FakePickers();
        QDir::setCurrent(m_dir.path());
    }
    void cleanup() { m_dlg.reset(); }

    // OK: the two file tests in order (a folder is no file), then the size typed (the
    // box takes digits only). Leaving the size box converts it and refreshes every box
    // from the values, so a path typed by hand goes back.
    void ok_data()
    {
        QTest::addColumn<bool>("filesExist");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QStringList>("messages");
        const QString range = CSettingsDlg::OutOfRangeMessage();
        QTest::newRow("no files: two messages")
            << false << "43" << "43" << QStringList{"Invalid Starts, Ends and size file!", "Invalid Sequence file!"};
        QTest::newRow("250 refused") << true << "250" << "250" << QStringList{range};
        QTest::newRow("200 accepted") << true << "200" << "200" << QStringList{};
        QTest::newRow("1 accepted") << true << "1" << "1" << QStringList{};
        QTest::newRow("huge clamped, refused") << true << "99999999999" << "2147483647" << QStringList{range};
    }
    void ok()
    {
        QFETCH(bool, filesExist);
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(QStringList, messages);
        const QString sequence = filesExist ? m_seq : m_dir.path();
        m_dlg = std::make_unique<CSettingsDlg>(m_pickers); // not modal, the focus inside it
        m_dlg->m_strPatternsFile = filesExist ? m_pat : m_dir.filePath("nope.txt");
        m_dlg->m_strSequenceFile = sequence;
        m_dlg->m_nRepeatSize = 43;
        QVERIFY(ShowActive(m_dlg.get()));
        auto* sequenceEdit = Child<QLineEdit>(m_dlg.get(), "sequenceEdit");
        sequenceEdit->setText("/typed/by/hand.fa"); // put back as the focus leaves the size box
        auto* size = Child<QLineEdit>(m_dlg.get(), "sizeEdit");
        size->setFocus();
        size->selectAll();
        QTest::keyClicks(size, typed + "x-");
        auto* ok = Child<QPushButton>(m_dlg.get(), "okButton");
        ok->setFocus(Qt::MouseFocusReason); // as a click does
        ok->click();
        QCOMPARE(size->text(), shown);
        QCOMPARE(sequenceEdit->text(), sequence);
        QCOMPARE(m_pickers.messages, messages);
        QCOMPARE(m_dlg->result() == QDialog::Accepted, messages.isEmpty());
        QCOMPARE(m_dlg->m_nRepeatSize, shown.toInt());
        if (filesExist && !messages.isEmpty())
            QCOMPARE(QApplication::focusWidget(), size);
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
        AppSettings settings = Settings(m_seq, m_pat, 4);
        settings.letterOrientation = stored;
        std::copy_n("xyzwXYZW", 8, settings.letters.entries.begin());
        QStringList checked;
        QVERIFY(edit(settings, [&](QWidget* modal) {
            for (QRadioButton* radio : modal->findChildren<QRadioButton*>())
                if (radio->isChecked())
                    checked << radio->objectName();
            if (clicked)
                Child<QRadioButton>(modal, qPrintable(QStringLiteral("orientation%1").arg(clicked)))->click();
            Child<QPushButton>(modal, "okButton")->click();
        }));
        const int saved = clicked ? clicked : stored;
        QCOMPARE(checked, stored == 1 ? QStringList{"orientation1"} : QStringList());
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(settings.letters.entries.data()), 8), letters);
        QCOMPARE(m_store.GetProfileInt("Lirovane", "LetterOrientation", -1), saved);
        QCOMPARE(QDir::currentPath(), QDir(m_home->path()).canonicalPath());
        QCOMPARE(ReadFile(m_home->filePath("starts.txt")).simplified(), QByteArray("10 15"));
        QCOMPARE(m_store.GetProfileInt("Lirovane", "NumberOfRepeatsInThisSet", -1), 2);
    }

    // Everything changed, then Escape: the pickers' answers were shown (a cancelled
    // one keeps the value), but no value, key or file changes.
    void flow_escape_changes_nothing()
    {
        WriteFile(m_home->filePath("starts.txt"), "1\r\n");
        AppSettings settings = Settings(m_seq, m_pat);
        m_pickers.colors << 0x336699 << -1;
        m_pickers.files << "/chosen.fa" << "";
        QStringList shown;
        QVERIFY(!edit(settings, [&shown](QWidget* modal) {
            for (const char* name :
                 {"orientation3", "colorButtonA", "colorButtonT", "browseSequence", "browsePatterns"})
                Child<QAbstractButton>(modal, name)->click();
            Child<QLineEdit>(modal, "sizeEdit")->setText("12");
            for (const char* name : {"swatchA", "swatchT"}) {
                const QImage swatch = Child(modal, name)->grab().toImage();
                shown << swatch.pixelColor(15, 15).name() + " in " + swatch.pixelColor(29, 29).name();
            }
            shown << Child<QLineEdit>(modal, "sequenceEdit")->text() << Child<QLineEdit>(modal, "patternsEdit")->text();
            QTest::keyClick(modal, Qt::Key_Escape);
        }));
        QCOMPARE(shown, (QStringList{"#996633 in #ffffff", "#00ff00 in #ffffff", "/chosen.fa", m_pat}));
        QCOMPARE(m_pickers.colorRequests, (QList<lirovane::Color>{0x0000FF, 0x00FF00})); // the slots' colours
        QCOMPARE(m_pickers.fileInitialNames, (QStringList{"*.txt", "*.txt"}));
        QCOMPARE(m_pickers.fileFilters, (QList<QStringList>{SequenceFileFilters(), PatternsFileFilters()}));
        QCOMPARE(m_pickers.fileCurrents, (QStringList{m_seq, m_pat})); // each opens at the file of its box
        const AppSettings original = Settings(m_seq, m_pat);
        QVERIFY(std::tie(settings.letterOrientation, settings.colors, settings.sequenceFile, settings.sizeOfRepeats) ==
                std::tie(original.letterOrientation, original.colors, original.sequenceFile, original.sizeOfRepeats));
        QCOMPARE(m_store.Size(), std::size_t{1}); // only "Path"
        QCOMPARE(ReadFile(m_home->filePath("starts.txt")), QByteArray("1\r\n"));
    }

    // A .dat file rejected before any record selects nothing: both position files are
    // emptied and the count is 0, so an earlier genome's repeats are not drawn. The
    // message gives the reason, file and line, as its second paragraph. A folder that
    // another run is writing is left alone, with its own message.
    void rejected_dat_clears_the_selection()
    {
        const QString examples = QStringLiteral(LIROVANE_EXAMPLES);
        const QString dat = WriteFile(m_dir.filePath("other.dat"), "Tandem Repeats Finder Program\n\n"
                                                                   "Sequence: nowhere\n");
        for (const bool busy : {false, true}) {
            WriteFile(m_home->filePath("starts.txt"), "1165\r\n");
            WriteFile(m_home->filePath("ends.txt"), "1200\r\n");
            m_pickers = FakePickers();
            AppSettings settings = Settings(examples + "/lambda_phage.fa", dat, 6);
            settings.numberOfRepeatsInThisSet = 24;
            lirovane::FolderLock other;
            if (busy)
                QVERIFY(other.Acquire(QFile::encodeName(m_home->path()).toStdString()).ok());
            QVERIFY(edit(settings, [](QWidget* modal) { Child<QPushButton>(modal, "okButton")->click(); }));
            QCOMPARE(m_pickers.messages.size(), 1);
            if (busy) {
                QVERIFY(m_pickers.messages.front().endsWith(" is in use by another Lirovane run"));
                QCOMPARE(ReadFile(m_home->filePath("starts.txt")), QByteArray("1165\r\n"));
                QCOMPARE(settings.numberOfRepeatsInThisSet, 24);
            } else {
                QCOMPARE(m_pickers.messages.front(), "Invalid Starts, Ends and size file!\n\n" + dat +
                                                         ": line 3: sequence \"nowhere\" is not a record of " +
                                                         examples +
                                                         "/lambda_phage.fa (records are matched in file "
                                                         "order)");
                QCOMPARE(ReadFile(m_home->filePath("starts.txt")), QByteArray());
                QCOMPARE(ReadFile(m_home->filePath("ends.txt")), QByteArray());
                QCOMPARE(settings.numberOfRepeatsInThisSet, 0);
            }
        }
    }

    // The save chooser: its filters, the one selected and the name box; it hands back the
    // path typed and the file type chosen.
    void save_chooser()
    {
        const QString file = m_dir.filePath("picture.bmp");
        QString seen;
        ModalDriver driver([&](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            QVERIFY(dialog && dialog->acceptMode() == QFileDialog::AcceptSave);
            QTest::qWait(50); // let the chooser finish reading its folder
            auto* name = Child<QLineEdit>(dialog, "fileNameEdit");
            seen = dialog->nameFilters().join('|') + " / " + dialog->selectedNameFilter() + " / " + name->text();
            dialog->selectNameFilter(PictureFileFilters().at(2)); // the SVG file type chosen
            name->setText(file);                                  // then the name typed, as a user does
            QMetaObject::invokeMethod(dialog, "accept");
        });
        QString filter;
        QCOMPARE(m_qt.SaveFileName(nullptr, "*.bmp", PictureFileFilters(), &filter, {}), std::optional(file));
        QCOMPARE(seen, "Bitmap pictures (*.bmp)|PNG pictures (*.png)|SVG drawings (*.svg)|All files (*) / "
                       "Bitmap pictures (*.bmp) / *.bmp");
        QCOMPARE(filter, PictureFileFilters().at(2));
    }

    // The open chooser at the file of a box (relative names from the working folder): in
    // its folder, the file selected under the filter that lists it ("*.txt" first). A file
    // that is gone leaves its folder and "*.txt"; a folder that is gone, the working folder.
    void open_chooser_at_current_data()
    {
        QTest::addColumn<QString>("current");
        QTest::addColumn<bool>("patterns"); // the patterns chooser's filters
        QTest::addColumn<QString>("shown"); // folder / filter / name box / selected
        const QString dir = m_dir.path();
        QTest::newRow("nothing") << "" << false << ". / Text files (*.txt) / *.txt / ";
        QTest::newRow("FASTA, relative") << "seq.fa" << false
                                         << "dir / FASTA files (*.fa *.fasta *.fna *.fas *.seq *.fa.gz *.fasta.gz "
                                            "*.fna.gz *.gz) / seq.fa / seq.fa";
        QTest::newRow("Tandem Repeats Finder .dat")
            << dir + "/REPEATS.DAT" << true << "dir / Patterns files (*.pat *.dat *.txt) / REPEATS.DAT / REPEATS.DAT";
        QTest::newRow("no filter lists it") << dir + "/run.log" << true << "dir / All files (*) / run.log / run.log";
        QTest::newRow("file gone") << dir + "/gone.fa" << false << "dir / Text files (*.txt) / *.txt / ";
        QTest::newRow("folder gone") << dir + "/gone/seq.fa" << false << ". / Text files (*.txt) / *.txt / ";
    }
    void open_chooser_at_current()
    {
        QFETCH(QString, current);
        QFETCH(bool, patterns);
        QFETCH(QString, shown);
        WriteFile(m_dir.filePath("REPEATS.DAT"), "1");
        WriteFile(m_dir.filePath("run.log"), "");
        QTemporaryDir working;
        QDir::setCurrent(current.isEmpty() || current.startsWith('/') ? working.path() : m_dir.path());
        QString seen;
        ModalDriver driver([&](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            auto* list = Child<QTreeView>(dialog, "treeView");
            QTRY_VERIFY(list->model()->rowCount(list->rootIndex()) > 0 || current.isEmpty() ||
                        current.contains("gone/"));
            const QString folder = dialog->directory().absolutePath();
            QStringList selected;
            for (const QModelIndex& index : list->selectionModel()->selectedRows())
                selected << index.data().toString();
            seen = QStringList{folder == m_dir.path()          ? "dir"
                               : folder == QDir::currentPath() ? "."
                                                               : folder,
                               dialog->selectedNameFilter(), Child<QLineEdit>(dialog, "fileNameEdit")->text(),
                               selected.join(',')}
                       .join(" / ");
        });
        const auto chosen =
            m_qt.OpenFileName(nullptr, "*.txt", patterns ? PatternsFileFilters() : SequenceFileFilters(), current);
        QCOMPARE(chosen, std::nullopt);
        QCOMPARE(seen, shown);
    }
};

QTEST_MAIN(TestSettingsDialog)
#include "test_settings_dialog.moc"
