#include "ui/app/app_icon.h"

QIcon AppIcon()
{
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/app/lirovane-%1.png").arg(size), QSize(size, size));
    return icon;
}

QPixmap ToolbarImage(int index)
{
    static const QPixmap strip(QStringLiteral(":/app/toolbar.png"));
    return strip.copy(62 * index, 0, 62, 15);
}
