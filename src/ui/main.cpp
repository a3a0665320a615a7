#include "ui/app/main_frame.h"
#include "ui/app/morkelby_app.h"
#include "ui/app/morkelby_view.h"
#include "ui/app/picker_services.h"
#include "ui/app/qsettings_profile_store.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QString::fromLatin1(kAppName));
    QApplication::setApplicationName(QString::fromLatin1(kAppName));
    QApplication::setDesktopFileName(QStringLiteral("lirovane"));

    QSettingsProfileStore store;
    QtPickerServices pickers;
    CMorkelbyApp theApp(store, pickers);
    if (!theApp.InitInstance())
        return 1;
    // `lirovane PATH` shows a gallery (a folder holding index.htm, or the page); without
    // an argument the window starts as it always has.
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() > 1)
        theApp.mainFrame()->view()->OpenGallery(arguments.at(1));
    return app.exec();
}
