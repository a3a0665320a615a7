#include "ui/viewer/strandscope_launcher.h"

#include "ui/viewer/strandscope_dlg.h"

void RunStrandscopeViewer(QWidget* parent, PickerServices& pickers, lirovane::ProfileStore& store)
{
    // A new viewer each time: nothing of an earlier opening survives.
    CStrandscopeDlg dialog(pickers, store, parent);
    dialog.exec();
}
