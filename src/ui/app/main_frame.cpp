#include "app/main_frame.h"

#include "app/about_dlg.h"
#include "app/app_icon.h"
#include "app/morkelby_view.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenuBar>
#include <QToolBar>

const QVector<CMainFrame::Accelerator>& CMainFrame::AcceleratorTable()
{
    static const QVector<Accelerator> table = {
        {QKeySequence(Qt::CTRL | Qt::Key_N), Command::ChangeSettings},
        {QKeySequence(Qt::CTRL | Qt::Key_O), Command::CreateImages},
        {QKeySequence(Qt::CTRL | Qt::Key_S), Command::Back},
        {QKeySequence(Qt::CTRL | Qt::Key_P), Command::Print},
        {QKeySequence(Qt::CTRL | Qt::Key_Z), Command::Undo},
        {QKeySequence(Qt::CTRL | Qt::Key_X), Command::Cut},
        {QKeySequence(Qt::CTRL | Qt::Key_C), Command::Strandscope},
        {QKeySequence(Qt::CTRL | Qt::Key_V), Command::Paste},
        {QKeySequence(Qt::ALT | Qt::Key_Backspace), Command::Undo},
        {QKeySequence(Qt::SHIFT | Qt::Key_Delete), Command::Cut},
        {QKeySequence(Qt::CTRL | Qt::Key_Insert), Command::Strandscope},
        {QKeySequence(Qt::SHIFT | Qt::Key_Insert), Command::Paste},
        {QKeySequence(Qt::Key_F6), Command::NextPane},
        {QKeySequence(Qt::SHIFT | Qt::Key_F6), Command::PrevPane},
    };
    return table;
}

CMainFrame::CMainFrame(lirovane::AppSettings& settings, lirovane::ProfileStore& store, PickerServices& pickers,
                       QWidget* parent)
    : QMainWindow(parent)
{
    setObjectName(QStringLiteral("mainFrame"));
    // The view loads the settings; on a first run its settings dialog runs here,
    // before this window is ever shown.
    m_view = new CMorkelbyView(settings, store, pickers, this);
    setCentralWidget(m_view);

    QAction* change =
        AddCommand(Command::ChangeSettings, QStringLiteral("&Change Settings..."), QStringLiteral("Change"));
    QAction* run = AddCommand(Command::CreateImages, QStringLiteral("&Create images..."), QStringLiteral("Run"));
    QAction* back = AddCommand(Command::Back, QStringLiteral("Back"), QStringLiteral("Back"));
    QAction* strandscope =
        AddCommand(Command::Strandscope, QStringLiteral("Strandscope"), QStringLiteral("Strandscope"));
    QAction* exit = AddCommand(Command::Exit, QStringLiteral("E&xit"), QString());
    QAction* about = AddCommand(Command::About, QStringLiteral("&About Lirovane..."), QString());
    // Keys of the table whose commands have no handler: they are taken and do nothing.
    for (int id : {Command::Print, Command::Undo, Command::Cut, Command::Paste, Command::NextPane, Command::PrevPane})
        AddCommand(id, QString(), QString());

    connect(change, &QAction::triggered, m_view, &CMorkelbyView::OnChangeSettings);
    connect(run, &QAction::triggered, m_view, &CMorkelbyView::OnCreateImages);
    connect(back, &QAction::triggered, m_view, &CMorkelbyView::OnBack);
    connect(strandscope, &QAction::triggered, m_view, &CMorkelbyView::OnStrandscope);
    connect(about, &QAction::triggered, this, &CMainFrame::OnAbout);
    connect(exit, &QAction::triggered, this, &QWidget::close);

    QHash<int, QList<QKeySequence>> keys;
    for (const Accelerator& accel : AcceleratorTable()) {
        keys[accel.command].append(accel.key);
        m_accelerators.insert(accel.key[0], accel.command);
    }
    for (auto it = keys.cbegin(); it != keys.cend(); ++it) {
        QAction* action = m_commands.value(it.key());
        action->setShortcuts(it.value());
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action);
    }

    QMenu* menu = menuBar()->addMenu(QStringLiteral("&Menu"));
    menu->setObjectName(QStringLiteral("menuMenu"));
    menu->addAction(change);
    menu->addAction(run);
    menu->addAction(strandscope);
    menu->addSeparator();
    menu->addAction(exit);
    QMenu* aboutMenu = menuBar()->addMenu(QStringLiteral("&About"));
    aboutMenu->setObjectName(QStringLiteral("aboutMenu"));
    aboutMenu->addAction(about);

    m_toolBar = new QToolBar(QStringLiteral("Toolbar"), this);
    m_toolBar->setObjectName(QStringLiteral("toolBar"));
    m_toolBar->setProperty("controlId", 59392);
    m_toolBar->setIconSize(QSize(62, 15));
    m_toolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    m_toolBar->setMovable(true);
    m_toolBar->setFloatable(true);
    m_toolBar->setAllowedAreas(Qt::AllToolBarAreas);
    QAction* const buttons[] = {change, run, back, strandscope};
    for (int i = 0; i < 4; ++i) {
        QAction* action = buttons[i];
        action->setIcon(QIcon(ToolbarImage(i)));
        m_toolBar->addAction(action);
    }
    addToolBar(Qt::TopToolBarArea, m_toolBar);

    // The browser takes Ctrl+C and the like for itself; the accelerators come first.
    qApp->installEventFilter(this);

    setWindowIcon(AppIcon());
    setWindowTitle(QStringLiteral("Lirovane"));
}

QAction* CMainFrame::AddCommand(int id, const QString& text, const QString& toolTip)
{
    auto* action = new QAction(text, this);
    action->setObjectName(QStringLiteral("command%1").arg(id));
    action->setData(id);
    if (!toolTip.isEmpty())
        action->setToolTip(toolTip);
    m_commands.insert(id, action);
    return action;
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

void CMainFrame::OnAbout()
{
    CAboutDlg dlg(this);
    dlg.exec();
}
