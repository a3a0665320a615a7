// The real Qt pickers, one test per dialog path, and the QSettings profile store.

#include "app/qsettings_profile_store.h"
#include "ui_test_support.h"

#include <QAbstractButton>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>

namespace {

// Types a full path into the chooser's name box and confirms, as a user does.
void TypeAndAccept(QFileDialog* dialog, const QString& path)
{
    auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
    QVERIFY(name);
    QTest::qWait(50); // let the chooser finish reading its folder
    name->setText(path);
    QMetaObject::invokeMethod(dialog, "accept");
}

} // namespace

class TestPickerServices : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QtPickerServices m_pickers;

private slots:
    void initTestCase() { QApplication::setAttribute(Qt::AA_DontUseNativeDialogs); }

    void colour_picker_data()
    {
        QTest::addColumn<bool>("confirm");
        QTest::newRow("confirmed") << true;
        QTest::newRow("cancelled") << false;
    }
    void colour_picker()
    {
        QFETCH(bool, confirm);
        QColor opened;
        ModalDriver driver([&](QWidget* modal) {
            auto* dialog = qobject_cast<QColorDialog*>(modal);
            if (!dialog)
                return;
            opened = dialog->currentColor();
            dialog->setCurrentColor(QColor(10, 20, 30));
            if (confirm)
                dialog->accept();
        });
        const auto picked = m_pickers.PickColor(nullptr, lirovane::MakeColor(200, 100, 50));
        QVERIFY(driver.acted());
        QCOMPARE(opened, QColor(200, 100, 50)); // opens on the current colour
        if (confirm)
            QCOMPARE(picked, std::optional<lirovane::Color>(lirovane::MakeColor(10, 20, 30)));
        else
            QVERIFY(!picked);
    }

    void open_chooser_data()
    {
        QTest::addColumn<bool>("confirm");
        QTest::newRow("confirmed") << true;
        QTest::newRow("cancelled") << false;
    }
    void open_chooser()
    {
        QFETCH(bool, confirm);
        const QString file = m_dir.filePath("sample.fa");
        {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(">x\nACGT\n");
        }
        QStringList filters;
        QString selectedFilter;
        QString initialName;
        ModalDriver driver([&](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            if (!dialog)
                return;
            filters = dialog->nameFilters();
            selectedFilter = dialog->selectedNameFilter();
            if (auto* name = dialog->findChild<QLineEdit*>("fileNameEdit"))
                initialName = name->text();
            if (confirm) {
                TypeAndAccept(dialog, file);
            }
        });
        const auto chosen = m_pickers.OpenFileName(nullptr, "*.txt", SequenceFileFilters());
        QVERIFY(driver.acted());
        QCOMPARE(filters,
                 (QStringList{"Text files (*.txt)", "FASTA files (*.fa *.fasta *.fna *.fas *.seq)", "All files (*)"}));
        QCOMPARE(selectedFilter, QStringLiteral("Text files (*.txt)"));
        QCOMPARE(initialName, QStringLiteral("*.txt"));
        if (confirm)
            QCOMPARE(chosen, std::optional<QString>(file));
        else
            QVERIFY(!chosen);
    }

    void save_chooser()
    {
        const QString file = m_dir.filePath("picture.bmp");
        ModalDriver driver([&](QWidget* modal) {
            if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
                QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptSave);
                TypeAndAccept(dialog, file);
            }
        });
        const auto chosen = m_pickers.SaveFileName(nullptr, "*.bmp", PictureFileFilters());
        QCOMPARE(chosen, std::optional<QString>(file));
    }

    void message_box()
    {
        QString title;
        QString text;
        int buttons = 0;
        QMessageBox::Icon icon = QMessageBox::Warning;
        ModalDriver driver([&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            if (!box)
                return;
            title = box->windowTitle();
            text = box->text();
            buttons = int(box->buttons().size());
            icon = box->icon();
            box->button(QMessageBox::Ok)->click();
        });
        m_pickers.ShowMessage(nullptr, "Invalid Sequence file!");
        QCOMPARE(title, QStringLiteral("Lirovane"));
        QCOMPARE(text, QStringLiteral("Invalid Sequence file!"));
        QCOMPARE(buttons, 1);
        QCOMPARE(icon, QMessageBox::NoIcon);
    }

    // The profile store: what is written reads back, names with any characters included;
    // a value that is no integer reads as the default.
    void profile_store()
    {
        TemporaryProfile profile;
        QSettingsProfileStore().WriteProfileString("Lirovane", "SequenceFile", "/data/ä b/chr1.fa");
        QSettingsProfileStore().WriteProfileInt("Lirovane", "NumberOfRepeatsInThisSet", 300);
        QSettingsProfileStore again;
        QCOMPARE(again.GetProfileString("Lirovane", "SequenceFile"), std::string("/data/ä b/chr1.fa"));
        QCOMPARE(again.GetProfileInt("Lirovane", "NumberOfRepeatsInThisSet", 0), 300);
        QCOMPARE(again.GetProfileInt("Lirovane", "SequenceFile", 5), 5);
        QCOMPARE(again.GetProfileInt("Lirovane", "Missing", 0), 0);
    }
};

QTEST_MAIN(TestPickerServices)
#include "test_picker_services.moc"
