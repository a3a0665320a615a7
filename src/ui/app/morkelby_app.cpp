#include "ui/app/morkelby_app.h"

#include "ui/app/app_icon.h"
#include "ui/app/dialog_look.h"
#include "ui/app/main_frame.h"
#include "ui/app/picker_services.h"

#include <QApplication>
#include <QScreen>

CMorkelbyApp::CMorkelbyApp(lirovane::ProfileStore& store, PickerServices& pickers) : m_store(store), m_pickers(pickers)
{
}

CMorkelbyApp::~CMorkelbyApp() = default;

void CMorkelbyApp::SetDialogColors()
{
    QApplication::setPalette(DialogPalette(QApplication::palette()), "QDialog");
}

bool CMorkelbyApp::InitInstance()
{
    QApplication::setOrganizationName(QString::fromLatin1(kAppName));
    QApplication::setApplicationName(QString::fromLatin1(kAppName));
    QApplication::setWindowIcon(AppIcon());
    SetDialogColors();

    m_frame = std::make_unique<CMainFrame>(m_settings, m_store, m_pickers);
    m_frame->setWindowIcon(AppIcon());
    m_frame->setWindowTitle(QString::fromLatin1(kAppName));
    // No remembered place: a good share of the screen, as a desktop's default placement gives.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect available = screen->availableGeometry();
        m_frame->resize(available.size() * 3 / 4);
        m_frame->move(available.topLeft() + QPoint(available.width() / 8, available.height() / 8));
    }
    m_frame->show();
    return true;
}
