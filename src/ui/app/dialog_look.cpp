#include "ui/app/dialog_look.h"

#include <QDialog>

QPalette DialogPalette(QPalette palette)
{
    palette.setColor(QPalette::Window, Qt::white);
    palette.setColor(QPalette::WindowText, Qt::black);
    return palette;
}

void ApplyDialogLook(QDialog& dialog)
{
    dialog.setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    dialog.setPalette(DialogPalette(dialog.palette()));
}
