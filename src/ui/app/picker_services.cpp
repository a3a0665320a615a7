#include "ui/app/picker_services.h"

#include "ui/app/qt_color.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QMessageBox>
#include <QPointer>
#include <QTreeView>

using lirovane::Color;

namespace {

// A file chooser in which a wildcard in the name box ("*.txt", the name it starts
// with) lists the files it matches instead of being taken as the chosen file.
class WildcardFileDialog final : public QFileDialog {
public:
    using QFileDialog::QFileDialog;

    void accept() override
    {
        const QStringList files = selectedFiles();
        const QFileInfo typed(files.isEmpty() ? QString() : files.first());
        const QString name = typed.fileName();
        if (name.contains(QLatin1Char('*')) || name.contains(QLatin1Char('?'))) {
            QStringList filters = nameFilters();
            filters.removeAll(name);
            filters.prepend(name);
            setNameFilters(filters);
            selectNameFilter(name);
            setDirectory(typed.absolutePath());
            return;
        }
        QFileDialog::accept();
    }
};

// While the chooser runs, every column of its detail list is as wide as what it shows,
// so that no name or size is cut short. The chooser keeps its list's layout in Qt's own
// settings, which every Qt program's chooser reads: the columns are handed back as Qt
// leaves them (resized by hand) before it saves them.
class FittedColumns {
public:
    explicit FittedColumns(QFileDialog& dialog)
    {
        if (auto* list = dialog.findChild<QTreeView*>(QStringLiteral("treeView"))) {
            m_header = list->header();
            m_header->setSectionResizeMode(QHeaderView::ResizeToContents);
        }
    }
    ~FittedColumns()
    {
        if (m_header)
            m_header->setSectionResizeMode(QHeaderView::Interactive);
    }
    FittedColumns(const FittedColumns&) = delete;
    FittedColumns& operator=(const FittedColumns&) = delete;

private:
    QPointer<QHeaderView> m_header;
};

// A chooser that starts in the working directory with `initialName` in its name box, or
// at `current` as OpenFileName describes.
std::optional<QString> RunFileDialog(QWidget* parent, const QString& initialName, const QStringList& filters,
                                     QFileDialog::AcceptMode mode, const QString& current,
                                     QString* selectedFilter = nullptr, const QString& start = {})
{
    WildcardFileDialog dialog(parent);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(filters);
    QString folder = !start.isEmpty() && QDir(start).exists() ? start : QDir::currentPath();
    QString name = initialName;
    QString filter = filters.value(0);
    if (!current.isEmpty()) {
        const QFileInfo file(QDir::current(), current);
        if (file.dir().exists()) {
            folder = file.absolutePath();
            if (file.isFile()) {
                name = file.absoluteFilePath();
                filter = FilterListing(filters, file.fileName());
            }
        }
    }
    if (!filter.isEmpty())
        dialog.selectNameFilter(filter);
    dialog.setDirectory(folder);
    dialog.selectFile(name);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, mode != QFileDialog::AcceptSave);
    dialog.setObjectName(mode == QFileDialog::AcceptOpen ? "openFileDialog" : "saveFileDialog");
    const FittedColumns fitted(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    if (selectedFilter != nullptr)
        *selectedFilter = dialog.selectedNameFilter();
    return QFileInfo(dialog.selectedFiles().first()).absoluteFilePath();
}

} // namespace

std::optional<Color> QtPickerServices::PickColor(QWidget* parent, Color current)
{
    QColorDialog dialog(ToQColor(current), parent);
    dialog.setObjectName("colorDialog");
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return FromQColor(dialog.selectedColor());
}

std::optional<QString> QtPickerServices::OpenFileName(QWidget* parent, const QString& initialName,
                                                      const QStringList& filters, const QString& current)
{
    return RunFileDialog(parent, initialName, filters, QFileDialog::AcceptOpen, current);
}

std::optional<QString> QtPickerServices::SaveFileName(QWidget* parent, const QString& initialName,
                                                      const QStringList& filters, QString* selectedFilter,
                                                      const QString& folder)
{
    return RunFileDialog(parent, initialName, filters, QFileDialog::AcceptSave, QString(), selectedFilter, folder);
}

void QtPickerServices::ShowMessage(QWidget* parent, const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, QString::fromLatin1(kAppName), text, QMessageBox::Ok, parent);
    box.setObjectName("messageBox");
    box.exec();
}

QStringList SequenceFileFilters()
{
    return {QStringLiteral("Text files (*.txt)"),
            QStringLiteral("FASTA files (*.fa *.fasta *.fna *.fas *.seq *.fa.gz *.fasta.gz *.fna.gz *.gz)"),
            QStringLiteral("All files (*)")};
}

QStringList PatternsFileFilters()
{
    QStringList filters = SequenceFileFilters();
    filters.insert(1, QStringLiteral("Patterns files (*.pat *.dat *.txt)"));
    return filters;
}

QString FilterListing(const QStringList& filters, const QString& fileName)
{
    for (const QString& filter : filters) {
        // "FASTA files (*.fa *.fasta)": the patterns between the parentheses.
        const qsizetype open = filter.lastIndexOf(QLatin1Char('('));
        const qsizetype close = filter.lastIndexOf(QLatin1Char(')'));
        const QString patterns = open >= 0 && close > open ? filter.mid(open + 1, close - open - 1) : filter;
        // Matched without regard to case, as the chooser lists files.
        if (QDir::match(patterns.split(QLatin1Char(' '), Qt::SkipEmptyParts), fileName))
            return filter;
    }
    return filters.value(0);
}

QStringList PictureFileFilters()
{
    return {QStringLiteral("Bitmap pictures (*.bmp)"), QStringLiteral("PNG pictures (*.png)"),
            QStringLiteral("SVG drawings (*.svg)"), QStringLiteral("All files (*)")};
}

lirovane::PictureFormat PictureFormatChosen(const QString& file, const QString& filter)
{
    if (const auto typed = lirovane::PictureFormatNamed(QFileInfo(file).suffix().toStdString()))
        return *typed;
    // The filter's own pattern: "PNG pictures (*.png)" -> "png".
    const qsizetype open = filter.lastIndexOf(QLatin1String("(*."));
    const qsizetype close = filter.indexOf(QLatin1Char(')'), open);
    if (open >= 0 && close > open) {
        const QString pattern = filter.mid(open + 3, close - open - 3);
        if (const auto named = lirovane::PictureFormatNamed(pattern.toStdString()))
            return *named;
    }
    return lirovane::PictureFormat::Bmp;
}
