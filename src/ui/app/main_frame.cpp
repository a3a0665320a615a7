#include "ui/app/main_frame.h"

#include "ui/app/about_dlg.h"
#include "ui/app/app_icon.h"
#include "ui/app/morkelby_view.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMimeData>
#include <QToolBar>

namespace {

// A command of the window: its id, menu text, toolbar tooltip and accelerator keys.
struct CommandEntry {
    int id;
    const char* text;
    const char* toolTip;
    QList<QKeySequence> keys;
};

} // namespace

CMainFrame::CMainFrame(lirovane::AppSettings& settings, lirovane::ProfileStore& store, PickerServices& pickers,
                       QWidget* parent)
    : QMainWindow(parent)
{
    setObjectName(QStringLiteral("mainFrame"));
    // The view loads the settings; on a first run its settings dialog runs here,
    // before this window is ever shown.
    m_view = new CMorkelbyView(settings, store, pickers, this);
    setCentralWidget(m_view);

    createCommands();
    connectCommands();
    createMenus();
    createToolBar();

    // The browser takes Ctrl+C and the like for itself; the accelerators come first.
    qApp->installEventFilter(this);
    setAcceptDrops(true);

    setWindowIcon(AppIcon());
    setWindowTitle(QStringLiteral("Lirovane"));
}

// The whole accelerator table. Commands without a text have no handler: their keys
// are taken and do nothing.
void CMainFrame::createCommands()
{
    const CommandEntry commands[] = {
        {Command::ChangeSettings, "&Change Settings...", "Change", {Qt::CTRL | Qt::Key_N}},
        {Command::CreateImages, "&Create images...", "Run", {Qt::CTRL | Qt::Key_O}},
        {Command::Back, "Back", "Back", {Qt::CTRL | Qt::Key_S}},
        {Command::Strandscope, "Strandscope", "Strandscope", {Qt::CTRL | Qt::Key_C, Qt::CTRL | Qt::Key_Insert}},
        {Command::OpenGallery, "Open &gallery...", "", {Qt::CTRL | Qt::SHIFT | Qt::Key_O}},
        {Command::Overview, "&Overview of the sequence...", "", {}},
        {Command::Exit, "E&xit", "", {}},
        {Command::About, "&About Lirovane...", "", {}},
        {57607, "", "", {Qt::CTRL | Qt::Key_P}},                              // print
        {57643, "", "", {Qt::CTRL | Qt::Key_Z, Qt::ALT | Qt::Key_Backspace}}, // undo
        {57635, "", "", {Qt::CTRL | Qt::Key_X, Qt::SHIFT | Qt::Key_Delete}},  // cut
        {57637, "", "", {Qt::CTRL | Qt::Key_V, Qt::SHIFT | Qt::Key_Insert}},  // paste
        {57680, "", "", {Qt::Key_F6}},                                        // next pane
        {57681, "", "", {Qt::SHIFT | Qt::Key_F6}},                            // previous pane
    };
    for (const CommandEntry& entry : commands) {
        auto* action = new QAction(QString::fromLatin1(entry.text), this);
        action->setObjectName(QStringLiteral("command%1").arg(entry.id));
        action->setData(entry.id);
        if (*entry.toolTip)
            action->setToolTip(QString::fromLatin1(entry.toolTip));
        m_commands.insert(entry.id, action);
        if (entry.keys.isEmpty())
            continue;
        action->setShortcuts(entry.keys);
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action);
        for (const QKeySequence& key : entry.keys)
            m_accelerators.insert(key[0], entry.id);
    }
}

void CMainFrame::connectCommands()
{
    connect(command(Command::ChangeSettings), &QAction::triggered, m_view, &CMorkelbyView::OnChangeSettings);
    connect(command(Command::CreateImages), &QAction::triggered, m_view, &CMorkelbyView::OnCreateImages);
    connect(command(Command::Back), &QAction::triggered, m_view, &CMorkelbyView::OnBack);
    connect(command(Command::Strandscope), &QAction::triggered, m_view, &CMorkelbyView::OnStrandscope);
    connect(command(Command::OpenGallery), &QAction::triggered, m_view, &CMorkelbyView::OnOpenGallery);
    connect(command(Command::Overview), &QAction::triggered, m_view, &CMorkelbyView::OnOverview);
    connect(m_view, &CMorkelbyView::recentGalleriesChanged, this, &CMainFrame::updateRecentGalleries);
    connect(command(Command::About), &QAction::triggered, this, &CMainFrame::OnAbout);
    connect(command(Command::Exit), &QAction::triggered, this, &QWidget::close);
}

void CMainFrame::createMenus()
{
    QMenu* menu = menuBar()->addMenu(QStringLiteral("&Menu"));
    menu->setObjectName(QStringLiteral("menuMenu"));
    menu->addAction(command(Command::ChangeSettings));
    menu->addAction(command(Command::CreateImages));
    menu->addAction(command(Command::Overview));
    menu->addAction(command(Command::Strandscope));
    // Opening galleries made elsewhere, and the last four opened, each a command of its own.
    menu->addSeparator();
    menu->addAction(command(Command::OpenGallery));
    for (int i = 0; i < RecentGalleries::kMax; ++i) {
        auto* recent = new QAction(this);
        recent->setObjectName(QStringLiteral("recentGallery%1").arg(i + 1));
        connect(recent, &QAction::triggered, this, [this, recent] { m_view->OpenGallery(recent->data().toString()); });
        m_recentActions << recent;
        menu->addAction(recent);
    }
    updateRecentGalleries();
    menu->addSeparator();
    menu->addAction(command(Command::Exit));
    QMenu* aboutMenu = menuBar()->addMenu(QStringLiteral("&About"));
    aboutMenu->setObjectName(QStringLiteral("aboutMenu"));
    aboutMenu->addAction(command(Command::About));
}

void CMainFrame::createToolBar()
{
    m_toolBar = new QToolBar(QStringLiteral("Toolbar"), this);
    m_toolBar->setObjectName(QStringLiteral("toolBar"));
    m_toolBar->setIconSize(QSize(62, 15));
    m_toolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    m_toolBar->setMovable(true);
    m_toolBar->setFloatable(true);
    m_toolBar->setAllowedAreas(Qt::AllToolBarAreas);
    const int buttons[] = {Command::ChangeSettings, Command::CreateImages, Command::Back, Command::Strandscope};
    for (int i = 0; i < 4; ++i) {
        QAction* action = command(buttons[i]);
        action->setIcon(QIcon(ToolbarImage(i)));
        action->setIconVisibleInMenu(false); // the 62 x 15 labels belong to the toolbar
        m_toolBar->addAction(action);
    }
    addToolBar(Qt::TopToolBarArea, m_toolBar);
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::ShortcutOverride && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->window() == this) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (m_accelerators.contains(key->keyCombination())) {
            // Not overridden: the shortcut of the accelerator table runs.
            key->ignore();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void CMainFrame::updateRecentGalleries()
{
    const QStringList pages = m_view->recentGalleries();
    for (int i = 0; i < m_recentActions.size(); ++i) {
        QAction* action = m_recentActions[i];
        action->setVisible(i < pages.size());
        if (i >= pages.size())
            continue;
        action->setData(pages[i]);
        // "&1 results/index.htm": the number as its key; an ampersand of the path shown as such.
        QString shown = QDir::toNativeSeparators(pages[i]);
        action->setText(QStringLiteral("&%1 %2").arg(i + 1).arg(shown.replace(QLatin1Char('&'), QLatin1String("&&"))));
    }
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (!urls.isEmpty() && urls.first().isLocalFile())
        event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.isEmpty() || !urls.first().isLocalFile())
        return;
    event->acceptProposedAction();
    m_view->OpenGallery(urls.first().toLocalFile());
}

void CMainFrame::OnAbout()
{
    CAboutDlg dlg(this);
    dlg.exec();
}
