#include "viewer/strandscope_launcher.h"

#include <QDialog>

void RunStrandscopeViewer(QWidget* parent, PickerServices& /*pickers*/, lirovane::ProfileStore& /*store*/)
{
    QDialog dialog(parent);
    dialog.setObjectName("strandscopeDialog");
    dialog.setWindowTitle(QStringLiteral("Strandscope"));
    dialog.exec();
}
