#include "ui/viewer/strandscope_launcher.h"

#include "ui/viewer/strandscope_dlg.h"

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
                            const QString& sequenceFile, long long startIndex)
{
    CStrandscopeDlg dialog(pickers, store, parent);
    dialog.loadAt(sequenceFile, startIndex);
    dialog.exec();
}

std::optional<PictureSource> SourceOfPicture(const QString& picturePath)
{
    const QFileInfo picture(picturePath);
    bool ok = false;
    const long long position = picture.completeBaseName().toLongLong(&ok);
    if (!ok || position < 1)
        return std::nullopt;
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
    return source;
}
