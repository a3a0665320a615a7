#include "ui/viewer/strandscope_launcher.h"

#include "ui/viewer/strandscope_dlg.h"
#include "ui/viewer/stretch_marks.h"

#include <QFile>
#include <QTimer>

void RunStrandscopeViewer(QWidget* parent, PickerServices& pickers, lirovane::ProfileStore& store)
{
    // A new viewer each time: nothing of an earlier opening survives.
    CStrandscopeDlg dialog(pickers, store, parent);
    dialog.exec();
}

void RunStrandscopeViewerAt(QWidget* parent, PickerServices& pickers, lirovane::ProfileStore& store,
                            const ViewerTarget& target)
{
    CStrandscopeDlg dialog(pickers, store, parent);
    dialog.setLook(target.orientation, target.colors);
    // The marks follow the plus strand's walk; a minus-strand picture is drawn backwards.
    if (!target.minusStrand && !target.fitRecord) {
        std::optional<qint64> steps;
        if (target.stretchTokens)
            steps = LettersAmongTokens(QFile::encodeName(target.sequenceFile).toStdString(), target.startIndex,
                                       *target.stretchTokens);
        dialog.markStretch(target.startIndex, steps);
    }
    dialog.loadAt(target.sequenceFile, target.startIndex, target.minusStrand);
    // Fitted once the viewer is on screen, where its Stop button can end a long walk.
    if (target.fitRecord)
        QTimer::singleShot(0, &dialog, &CStrandscopeDlg::fitRecord);
    dialog.exec();
}
