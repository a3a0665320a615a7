#include "ui/app/about_dlg.h"

#include "ui/app/app_icon.h"
#include "ui/app/dialog_look.h"
#include "ui/app/dialog_units.h"

#include <QLabel>
#include <QPushButton>
#include <algorithm>

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("aboutDialog"));
    setWindowTitle(QStringLiteral("About Lirovane"));
    ApplyDialogLook(*this);

    const DialogUnits du(font());
    setFixedSize(du.size(235, 55));

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("aboutIcon"));
    const QRect iconRect = du.rect(11, 17, 20, 20);
    icon->setGeometry(iconRect);
    const int side = std::min(iconRect.width(), iconRect.height());
    icon->setPixmap(AppIcon().pixmap(side, side));

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("aboutOk"));
    ok->setGeometry(du.rect(178, 7, 50, 14));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}
