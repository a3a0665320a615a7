// The settings dialog and the settings flow, with answered pickers.

#include "app/image_canvas.h"
#include "render/letter_table.h"
#include "settings/app_settings.h"
#include "settings/edit_settings.h"
#include "settings/memory_profile_store.h"
#include "settings/settings_dlg.h"
#include "ui_test_support.h"
#include "viewer/color_swatch.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <memory>

using lirovane::AppSettings;
using lirovane::MemoryProfileStore;

namespace {

void WriteFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
}

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

} // namespace

class TestSettingsDialog : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_seq;
    QString m_pat;
    FakePickers m_pickers;
    std::unique_ptr<CSettingsDlg> m_dlg;

    template <typename W> W* child(const char* name) const
    {
        W* w = m_dlg->findChild<W*>(QString::fromLatin1(name));
        if (!w)
            qFatal("no control %s", name);
        return w;
    }

    // Opens a dialog (not modal) with the given values and the focus inside it.
    void open(const QString& patterns, const QString& sequence, int size, int orientation = 1)
    {
        m_pickers = FakePickers();
        m_dlg = std::make_unique<CSettingsDlg>(m_pickers);
        m_dlg->m_strPatternsFile = patterns;
        m_dlg->m_strSequenceFile = sequence;
        m_dlg->m_nRepeatSize = size;
        m_dlg->m_nOrientation = orientation;
        m_dlg->m_clrA = 0x0000FF;
        m_dlg->m_clrC = 0xFF0000;
        m_dlg->m_clrG = 0xFFFF00;
        m_dlg->m_clrT = 0x00FF00;
        m_dlg->show();
        QApplication::setActiveWindow(m_dlg.get());
        QVERIFY(QTest::qWaitForWindowActive(m_dlg.get()));
    }

    void clickOk()
    {
        // A click moves the focus to the button first, as a mouse click does.
        auto* ok = child<QPushButton>("okButton");
        ok->setFocus(Qt::MouseFocusReason);
        ok->click();
    }

    static AppSettings Defaults(const QString& seq, const QString& pat)
    {
        AppSettings s;
        s.SetFirstRunDefaults();
        s.sequenceFile = seq.toStdString();
        s.patternsFile = pat.toStdString();
        return s;
    }

private slots:
    void initTestCase()
    {
        QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
        m_seq = m_dir.filePath("seq.fa");
        m_pat = m_dir.filePath("pat.txt");
        WriteFile(m_seq, ">s\nACGTACGTACGTACGTACGTACGT\n");
        WriteFile(m_pat, "3 7 43\n10 14 4\n15 19 4\n");
    }

    void cleanup() { m_dlg.reset(); }

    void caption_and_tab_order()
    {
        open(m_pat, m_seq, 43);
        QCOMPARE(m_dlg->windowTitle(), QStringLiteral("Morkelby Settings..."));
        const QStringList expected = {"okButton",       "orientation1",   "orientation2", "orientation3",
                                      "colorButtonA",   "colorButtonC",   "colorButtonG", "colorButtonT",
                                      "browseSequence", "browsePatterns", "sequenceEdit", "patternsEdit",
                                      "sizeEdit"};
        QStringList chain;
        QWidget* w = child<QPushButton>("okButton");
        for (int i = 0; i < expected.size(); ++i) {
            chain << w->objectName();
            do
                w = w->nextInFocusChain();
            while (!(w->focusPolicy() & Qt::TabFocus) || !w->isVisible());
        }
        QCOMPARE(chain, expected);
        // The swatches are 30 x 30 wherever the template puts them.
        for (const char* name : {"swatchA", "swatchC", "swatchG", "swatchT"})
            QCOMPARE(child<ColorSwatch>(name)->size(), QSize(30, 30));
    }

    // OK's two file tests, in order, on the values (not the typed text).
    void ok_file_tests_data()
    {
        QTest::addColumn<bool>("patternsExists");
        QTest::addColumn<bool>("sequenceExists");
        QTest::addColumn<QString>("typed"); // typed into the sequence box after opening
        QTest::addColumn<QStringList>("messages");
        const QString pat = "Invalid Starts, Ends and size file!";
        const QString seq = "Invalid Sequence file!";
        QTest::newRow("both missing") << false << false << "" << QStringList{pat, seq};
        QTest::newRow("patterns missing") << false << true << "" << QStringList{pat};
        QTest::newRow("sequence missing") << true << false << "" << QStringList{seq};
        QTest::newRow("both there") << true << true << "" << QStringList{};
        QTest::newRow("typed path taken unchecked") << true << true << "/no/such/file.fa" << QStringList{};
    }
    void ok_file_tests()
    {
        QFETCH(bool, patternsExists);
        QFETCH(bool, sequenceExists);
        QFETCH(QString, typed);
        QFETCH(QStringList, messages);
        open(patternsExists ? m_pat : m_dir.filePath("nope.txt"), sequenceExists ? m_seq : m_dir.path(), 43);
        if (!typed.isEmpty())
            child<QLineEdit>("sequenceEdit")->setText(typed);
        clickOk();
        QCOMPARE(m_pickers.messages, messages);
        QCOMPARE(m_dlg->result() == QDialog::Accepted, messages.isEmpty());
        if (!typed.isEmpty())
            QCOMPARE(m_dlg->m_strSequenceFile, typed);
    }

    // The size box: typed text, whether the focus leaves it before OK, what it then
    // shows, and what OK says.
    void size_box_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("leave");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("value");
        const QString range = CSettingsDlg::OutOfRangeMessage();
        QTest::newRow("250 refused") << "250" << true << "250" << range << 250;
        QTest::newRow("200 accepted") << "200" << true << "200" << QString() << 200;
        QTest::newRow("1 accepted") << "1" << true << "1" << QString() << 1;
        QTest::newRow("0 refused") << "0" << true << "0" << range << 0;
        QTest::newRow("empty, left: 0") << "" << true << "0" << range << 0;
        QTest::newRow("empty, Enter: not an integer") << "" << false << "" << CSettingsDlg::NotIntegerMessage() << 43;
        QTest::newRow("leading zeros") << "007" << true << "7" << QString() << 7;
        QTest::newRow("huge is clamped, refused") << "99999999999" << true << "2147483647" << range << 2147483647;
    }
    void size_box()
    {
        QFETCH(QString, typed);
        QFETCH(bool, leave);
        QFETCH(QString, shown);
        QFETCH(QString, message);
        QFETCH(int, value);
        open(m_pat, m_seq, 43);
        auto* size = child<QLineEdit>("sizeEdit");
        size->setFocus();
        size->selectAll();
        QTest::keyClick(size, Qt::Key_Delete);
        QTest::keyClicks(size, typed + "x-"); // the box takes digits only
        if (leave) {
            clickOk();
        } else {
            QTest::keyClick(size, Qt::Key_Return);
        }
        QCOMPARE(size->text(), shown);
        QCOMPARE(m_pickers.messages, message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(m_dlg->result() == QDialog::Accepted, message.isEmpty());
        QCOMPARE(m_dlg->m_nRepeatSize, value);
        if (!message.isEmpty())
            QCOMPARE(QApplication::focusWidget(), size);
    }

    void leaving_size_box_puts_path_values_back()
    {
        open(m_pat, m_seq, 43);
        auto* seqEdit = child<QLineEdit>("sequenceEdit");
        seqEdit->setFocus();
        seqEdit->setText("/typed/by/hand.fa");
        child<QLineEdit>("sizeEdit")->setFocus();
        child<QLineEdit>("patternsEdit")->setFocus();
        QCOMPARE(seqEdit->text(), m_seq);
    }

    void browse_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("edit");
        QTest::addColumn<bool>("confirm");
        QTest::newRow("sequence, confirmed") << "browseSequence"
                                             << "sequenceEdit" << true;
        QTest::newRow("patterns, cancelled") << "browsePatterns"
                                             << "patternsEdit" << false;
    }
    void browse()
    {
        QFETCH(QString, button);
        QFETCH(QString, edit);
        QFETCH(bool, confirm);
        open(m_pat, m_seq, 43);
        auto* box = child<QLineEdit>(edit.toLatin1().constData());
        const QString before = box->text();
        box->setText("typed"); // a refresh follows the chooser either way
        if (confirm)
            m_pickers.files.push_back(QStringLiteral("/chosen/file.fna"));
        child<QPushButton>(button.toLatin1().constData())->click();
        QCOMPARE(m_pickers.fileInitialNames, QStringList{"*.txt"});
        QCOMPARE(m_pickers.fileFilters.value(0).value(0), QStringLiteral("Text files (*.txt)"));
        QCOMPARE(m_pickers.fileFilters.value(0).size(), 3);
        QCOMPARE(box->text(), confirm ? QStringLiteral("/chosen/file.fna") : before);
    }

    void colour_buttons_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("swatch");
        QTest::addColumn<uint>("current");
        QTest::addColumn<bool>("confirm");
        QTest::newRow("As picked") << "colorButtonA"
                                   << "swatchA" << 0x0000FFu << true;
        QTest::newRow("Gs picked") << "colorButtonG"
                                   << "swatchG" << 0xFFFF00u << true;
        QTest::newRow("Ts cancelled keeps") << "colorButtonT"
                                            << "swatchT" << 0x00FF00u << false;
    }
    void colour_buttons()
    {
        QFETCH(QString, button);
        QFETCH(QString, swatch);
        QFETCH(uint, current);
        QFETCH(bool, confirm);
        open(m_pat, m_seq, 43);
        const lirovane::Color picked = 0x00336699;
        if (confirm)
            m_pickers.colors.push_back(picked);
        child<QPushButton>(button.toLatin1().constData())->click();
        QCOMPARE(m_pickers.colorRequests, QList<lirovane::Color>{current});
        const lirovane::Color expected = confirm ? picked : current;
        auto* sw = child<ColorSwatch>(swatch.toLatin1().constData());
        QCOMPARE(sw->color(), expected);
        const QImage shot = sw->grab().toImage();
        QCOMPARE(QColor(shot.pixel(0, 0)), QColor(Qt::white));
        QCOMPARE(QColor(shot.pixel(29, 29)), QColor(Qt::white));
        QCOMPARE(QColor(shot.pixel(15, 15)), ToQColor(expected));
    }

    // The flow: OK copies, applies the orientation, returns to "Path", splits, saves.
    void flow_ok_data()
    {
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("clicked"); // 0: no click
        QTest::addColumn<int>("saved");
        QTest::addColumn<QByteArray>("letters");
        QTest::newRow("2 chosen") << 1 << 2 << 2 << QByteArray("agtcAGTC");
        QTest::newRow("3 chosen") << 1 << 3 << 3 << QByteArray("actgACTG");
        QTest::newRow("0 kept, table unchanged") << 0 << 0 << 0 << QByteArray("xyzwXYZW");
        QTest::newRow("7 kept, table unchanged") << 7 << 0 << 7 << QByteArray("xyzwXYZW");
    }
    void flow_ok()
    {
        QFETCH(int, stored);
        QFETCH(int, clicked);
        QFETCH(int, saved);
        QFETCH(QByteArray, letters);
        QTemporaryDir home;
        MemoryProfileStore store;
        store.WriteProfileString("Lirovane", "Path", QFile::encodeName(home.path()).toStdString());
        AppSettings settings = Defaults(m_seq, m_pat);
        settings.letterOrientation = stored;
        for (int i = 0; i < 8; ++i)
            settings.letters.entries[static_cast<std::size_t>(i)] = static_cast<unsigned char>("xyzwXYZW"[i]);
        settings.sizeOfRepeats = 4;
        FakePickers pickers;
        const QString before = QDir::currentPath();
        QDir::setCurrent(m_dir.path()); // a chooser may have left us elsewhere
        int checkedOnOpen = 0;
        ModalDriver driver([clicked, &checkedOnOpen](QWidget* modal) {
            for (int i = 1; i <= 3; ++i)
                if (modal->findChild<QRadioButton*>(QStringLiteral("orientation%1").arg(i))->isChecked())
                    checkedOnOpen = i;
            if (clicked)
                modal->findChild<QRadioButton*>(QStringLiteral("orientation%1").arg(clicked))->click();
            modal->findChild<QPushButton*>("okButton")->click();
        });
        const bool ok = EditSettings(settings, store, pickers, nullptr);
        const QString after = QDir::currentPath();
        QDir::setCurrent(before);
        QVERIFY(ok);
        QCOMPARE(checkedOnOpen, stored == 1 ? 1 : 0); // 0 and 7 select no radio button
        QCOMPARE(settings.letterOrientation, saved);
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(settings.letters.entries.data()), 8), letters);
        QCOMPARE(store.GetProfileInt("Lirovane", "LetterOrientation", -1), saved);
        QCOMPARE(store.GetProfileInt("Lirovane", "AsColor", -1), 0x0000FF);
        QCOMPARE(store.GetProfileInt("Lirovane", "TsColor", -1), 0x00FF00);
        QCOMPARE(store.GetProfileInt("Lirovane", "Letter1", -1), int(letters[0]));
        // The split ran in the start-up directory.
        QCOMPARE(QDir(after).canonicalPath(), QDir(home.path()).canonicalPath());
        QCOMPARE(ReadFile(home.filePath("starts.txt")).simplified(), QByteArray("10 15"));
        QCOMPARE(settings.numberOfRepeatsInThisSet, 2);
        QCOMPARE(store.GetProfileInt("Lirovane", "NumberOfRepeatsInThisSet", -1), 2);
    }

    void flow_escape_changes_nothing()
    {
        QTemporaryDir home;
        MemoryProfileStore store;
        store.WriteProfileString("Lirovane", "Path", QFile::encodeName(home.path()).toStdString());
        WriteFile(home.filePath("starts.txt"), "1\r\n");
        AppSettings settings = Defaults(m_seq, m_pat);
        const AppSettings original = settings;
        FakePickers pickers;
        pickers.colors.push_back(0x123456);
        pickers.files.push_back(QStringLiteral("/elsewhere.fa"));
        ModalDriver driver([](QWidget* modal) {
            modal->findChild<QRadioButton*>("orientation3")->click();
            modal->findChild<QPushButton*>("colorButtonA")->click();
            modal->findChild<QPushButton*>("browseSequence")->click();
            modal->findChild<QLineEdit*>("sizeEdit")->setText("12");
            QTest::keyClick(modal, Qt::Key_Escape);
        });
        QVERIFY(!EditSettings(settings, store, pickers, nullptr));
        QVERIFY(driver.acted());
        QCOMPARE(settings.letterOrientation, original.letterOrientation);
        QCOMPARE(settings.asColor, original.asColor);
        QCOMPARE(settings.sequenceFile, original.sequenceFile);
        QCOMPARE(settings.sizeOfRepeats, original.sizeOfRepeats);
        QCOMPARE(store.Size(), std::size_t{1}); // only "Path"
        QCOMPARE(ReadFile(home.filePath("starts.txt")), QByteArray("1\r\n"));
    }

    // Tandem Repeats Finder output chosen as the patterns file is split like its triples.
    void trf_dat_as_patterns_file()
    {
        const QString examples = QStringLiteral(LIROVANE_EXAMPLES);
        QTemporaryDir home;
        MemoryProfileStore store;
        store.WriteProfileString("Lirovane", "Path", QFile::encodeName(home.path()).toStdString());
        AppSettings settings = Defaults(examples + "/lambda_phage.fa", examples + "/lambda_phage.trf.dat");
        settings.sizeOfRepeats = 6;
        FakePickers pickers;
        ModalDriver driver([](QWidget* modal) { modal->findChild<QPushButton*>("okButton")->click(); });
        const QString before = QDir::currentPath();
        QVERIFY(EditSettings(settings, store, pickers, nullptr));
        QDir::setCurrent(before);
        QCOMPARE(pickers.messages, QStringList());
        QCOMPARE(settings.numberOfRepeatsInThisSet, 24);
        // The same starts as the shifted triples of the sample.
        QFile pat(examples + "/lambda_phage.pat");
        QVERIFY(pat.open(QIODevice::ReadOnly));
        QList<QByteArray> expected;
        const QList<QByteArray> numbers = pat.readAll().simplified().split(' ');
        for (qsizetype i = 0; i + 2 < numbers.size(); i += 3)
            if (numbers[i + 2] == "6")
                expected << numbers[i];
        QCOMPARE(ReadFile(home.filePath("starts.txt")).simplified().split(' '), expected);
    }
};

QTEST_MAIN(TestSettingsDialog)
#include "test_settings_dialog.moc"
