#include "ui/viewer/strandscope_launcher.h"

#include "ui/viewer/strandscope_dlg.h"

#include "core/batch/feature_gallery.h"
#include "core/sequence/genome_coordinates.h"
#include "core/sequence/token_offset_index.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTextDocumentFragment>

void RunStrandscopeViewer(QWidget* parent, PickerServices& pickers, lirovane::ProfileStore& store)
{
    // A new viewer each time: nothing of an earlier opening survives.
    CStrandscopeDlg dialog(pickers, store, parent);
    dialog.exec();
}

void RunStrandscopeViewerAt(QWidget* parent, PickerServices& pickers, lirovane::ProfileStore& store,
                            const QString& sequenceFile, long long startIndex, bool minusStrand)
{
    CStrandscopeDlg dialog(pickers, store, parent);
    dialog.loadAt(sequenceFile, startIndex, minusStrand);
    dialog.exec();
}

namespace {

// A feature picture's row of the features.tsv beside it: where its first base lies in
// `sequenceFile`, and its strand. False when there is no such row or record.
bool FindFeature(const QFileInfo& picture, PictureSource& source)
{
    QFile list(picture.dir().filePath(QString::fromLatin1(lirovane::kFeatureListName)));
    if (source.sequenceFile.isEmpty() || !list.open(QIODevice::ReadOnly))
        return false;
    const QByteArray name = picture.fileName().toUtf8();
    while (!list.atEnd()) {
        // picture, record, start, end, name, strand, type
        const QList<QByteArray> cells = list.readLine().chopped(1).split('\t');
        if (cells.size() < 7 || cells[0] != name)
            continue;
        const auto records = lirovane::TokenOffsetIndex::Global().Records(source.sequenceFile.toStdString());
        for (const lirovane::FastaRecord& record : records.value())
            if (lirovane::RecordName(record) == cells[1].toStdString()) {
                source.startIndex = static_cast<long long>(record.tokensBefore) + cells[2].toLongLong() - 1;
                source.minusStrand = cells[5] == "-";
                return true;
            }
        return false;
    }
    return false;
}

} // namespace

std::optional<PictureSource> SourceOfPicture(const QString& picturePath)
{
    const QFileInfo picture(picturePath);
    bool ok = false;
    const long long position = picture.completeBaseName().toLongLong(&ok);
    PictureSource source;
    source.startIndex = position - 1;
    QFile page(picture.dir().filePath(QStringLiteral("index.htm")));
    if (page.open(QIODevice::ReadOnly)) {
        // The head of the page: "Sequence file: NAME<br>", NAME escaped for HTML.
        const QString head = QString::fromUtf8(page.read(1 << 16));
        static const QRegularExpression line(QStringLiteral("Sequence file: (.*?)<br>"));
        const QRegularExpressionMatch match = line.match(head);
        if (match.hasMatch()) {
            const QString name = QTextDocumentFragment::fromHtml(match.captured(1)).toPlainText();
            source.sequenceFile = QFileInfo(name).isAbsolute() ? name : QDir::current().absoluteFilePath(name);
        }
    }
    if ((!ok || position < 1) && !FindFeature(picture, source))
        return std::nullopt;
    return source;
}
