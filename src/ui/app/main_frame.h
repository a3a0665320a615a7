#pragma once

#include <QHash>
#include <QKeySequence>
#include <QMainWindow>

class CMorkelbyView;
class PickerServices;
class QAction;
class QToolBar;
namespace lirovane {
struct AppSettings;
class ProfileStore;
} // namespace lirovane

// Ids of the commands with a handler (the accelerator table holds a few more).
namespace Command {
enum : int {
    ChangeSettings = 57600,
    CreateImages = 57601,
    Back = 57603,
    Strandscope = 57634,
    About = 57664,
    Exit = 57665,
    OpenGallery = 32800, // the program's own, beside the framework's ids
    Overview = 32801
};
} // namespace Command

// The main window: menu bar, the dockable toolbar and the whole accelerator table,
// with the gallery view filling the client area. The title stays "Lirovane".
class CMainFrame : public QMainWindow {
    Q_OBJECT

public:
    CMainFrame(lirovane::AppSettings& settings, lirovane::ProfileStore& store, PickerServices& pickers,
               QWidget* parent = nullptr);

    CMorkelbyView* view() const { return m_view; }
    QToolBar* toolBar() const { return m_toolBar; }
    // The action of a command id (every id of the accelerator table has one).
    QAction* command(int id) const { return m_commands.value(id); }

    // The Menu's entries of the recent galleries, newest first.
    QList<QAction*> recentGalleryActions() const { return m_recentActions; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // A gallery folder or page dropped on the window opens.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    // No context menu on the menu bar or toolbar: the toolbar cannot be hidden.
    QMenu* createPopupMenu() override { return nullptr; }

private:
    void createCommands();
    void connectCommands();
    void createMenus();
    void createToolBar();
    void OnAbout();
    void updateRecentGalleries();

    CMorkelbyView* m_view = nullptr;
    QToolBar* m_toolBar = nullptr;
    QHash<int, QAction*> m_commands;
    QHash<QKeyCombination, int> m_accelerators;
    QList<QAction*> m_recentActions;
};
