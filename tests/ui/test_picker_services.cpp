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

    // The choosers: filters, the one selected, the name box. Accepting the open
    // chooser's wildcard lists what it matches instead of choosing it (the driver then
    // cancels it: nothing); the save chooser hands back the path typed.
    void file_choosers_data()
    {
        QTest::addColumn<bool>("save");
        QTest::addColumn<QString>("shown");
        QTest::newRow("open") << false << "Text files (*.txt)|FASTA files (*.fa *.fasta *.fna *.fas *.seq)|All files (*)"
                                          " / Text files (*.txt) / *.txt / listed *.txt";
        QTest::newRow("save") << true << "Bitmap pictures (*.bmp)|All files (*) / Bitmap pictures (*.bmp) / *.bmp / closed";
    }
    void file_choosers()
    {
        QFETCH(bool, save);
        QFETCH(QString, shown);
        const QString file = m_dir.filePath("picture.bmp");
        QString seen;
        ModalDriver driver([&](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            QVERIFY(dialog && (dialog->acceptMode() == QFileDialog::AcceptSave) == save);
            QTest::qWait(50); // let the chooser finish reading its folder
            auto* name = Child<QLineEdit>(dialog, "fileNameEdit");
            seen = dialog->nameFilters().join('|') + " / " + dialog->selectedNameFilter() + " / " + name->text();
            if (save)
                name->setText(file); // typed, as a user does
            QMetaObject::invokeMethod(dialog, "accept");
            seen += dialog->isVisible() ? " / listed " + dialog->selectedNameFilter() : QStringLiteral(" / closed");
        });
        const auto chosen = save ? m_pickers.SaveFileName(nullptr, "*.bmp", PictureFileFilters())
                                 : m_pickers.OpenFileName(nullptr, "*.txt", SequenceFileFilters());
        QCOMPARE(chosen, save ? std::optional(file) : std::nullopt);
        QCOMPARE(seen, shown);
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
