#include "ui/app/about_dlg.h"

#include "ui/app/app_icon.h"
#include "ui/app/dialog_look.h"
#include "ui/app/dialog_units.h"

#include "core/version.h"

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

    // Beside the icon: the version and what Lirovane is.
    auto* text = new QLabel(QStringLiteral("Lirovane %1\nDraws the repeats of a DNA sequence as walks.")
                                .arg(QString::fromLatin1(lirovane::kVersion)),
                            this);
    text->setObjectName(QStringLiteral("aboutText"));
    text->setGeometry(du.rect(40, 10, 134, 36));
    text->setWordWrap(true);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("aboutOk"));
    ok->setGeometry(du.rect(178, 7, 50, 14));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}
