// The real Qt pickers, one test per dialog.

#include "ui_test_support.h"

class TestPickerServices : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QtPickerServices m_pickers;

private slots:
    void initTestCase() { QApplication::setAttribute(Qt::AA_DontUseNativeDialogs); }

    // Opens on the current colour and hands back the colour chosen.
    void colour_picker()
    {
        QColor opened;
        ModalDriver driver([&](QWidget* modal) {
            auto* dialog = qobject_cast<QColorDialog*>(modal);
            QVERIFY(dialog);
            opened = dialog->currentColor();
            dialog->setCurrentColor(QColor(10, 20, 30));
            dialog->accept();
        });
        QCOMPARE(m_pickers.PickColor(nullptr, lirovane::MakeColor(200, 100, 50)),
                 std::optional(lirovane::MakeColor(10, 20, 30)));
        QCOMPARE(opened, QColor(200, 100, 50));
    }

    // The open chooser: "*.txt" in its name box, the sequence filters with the first
    // selected; accepting the wildcard lists what it matches instead of choosing it;
    // nothing when cancelled (the driver closes it).
    void open_chooser()
    {
        QString shown;
        bool stayedOpen = false;
        ModalDriver driver([&](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            QVERIFY(dialog);
            shown = dialog->nameFilters().join('|') + " / " + dialog->selectedNameFilter() + " / " +
                    Child<QLineEdit>(dialog, "fileNameEdit")->text();
            QMetaObject::invokeMethod(dialog, "accept");
            stayedOpen = dialog->isVisible() && dialog->selectedNameFilter() == QStringLiteral("*.txt");
        });
        QCOMPARE(m_pickers.OpenFileName(nullptr, "*.txt", SequenceFileFilters()), std::nullopt);
        QCOMPARE(shown, QStringLiteral("Text files (*.txt)|FASTA files (*.fa *.fasta *.fna *.fas *.seq)|All files (*)"
                                       " / Text files (*.txt) / *.txt"));
        QVERIFY(stayedOpen);
    }

    // The save chooser hands back the path typed.
    void save_chooser()
    {
        const QString file = m_dir.filePath("picture.bmp");
        ModalDriver driver([&](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            QVERIFY(dialog && dialog->acceptMode() == QFileDialog::AcceptSave);
            QTest::qWait(50); // let the chooser finish reading its folder
            Child<QLineEdit>(dialog, "fileNameEdit")->setText(file); // typed, as a user does
            QMetaObject::invokeMethod(dialog, "accept");
        });
        QCOMPARE(m_pickers.SaveFileName(nullptr, "*.bmp", PictureFileFilters()), std::optional(file));
    }

    // Captioned "Lirovane", the text, one OK button and no icon.
    void message_box()
    {
        QString shown;
        ModalDriver driver([&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            QVERIFY(box);
            shown = QStringLiteral("%1 / %2 / %3 buttons / icon %4")
                        .arg(box->windowTitle(), box->text())
                        .arg(box->buttons().size())
                        .arg(int(box->icon()));
            box->button(QMessageBox::Ok)->click();
        });
        m_pickers.ShowMessage(nullptr, "Invalid Sequence file!");
        QCOMPARE(shown, QStringLiteral("Lirovane / Invalid Sequence file! / 1 buttons / icon 0"));
    }
};

QTEST_MAIN(TestPickerServices)
#include "test_picker_services.moc"
