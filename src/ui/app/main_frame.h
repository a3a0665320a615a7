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

// Command ids of the menu, toolbar and accelerators.
namespace Command {
inline constexpr int ChangeSettings = 57600;
inline constexpr int CreateImages = 57601;
inline constexpr int Back = 57603;
inline constexpr int Print = 57607;
inline constexpr int Strandscope = 57634;
inline constexpr int Cut = 57635;
inline constexpr int Paste = 57637;
inline constexpr int Undo = 57643;
inline constexpr int About = 57664;
inline constexpr int Exit = 57665;
inline constexpr int NextPane = 57680;
inline constexpr int PrevPane = 57681;
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

    struct Accelerator {
        QKeySequence key;
        int command;
    };
    static const QVector<Accelerator>& AcceleratorTable();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QAction* AddCommand(int id, const QString& text, const QString& toolTip);
    void OnAbout();

    CMorkelbyView* m_view = nullptr;
    QToolBar* m_toolBar = nullptr;
    QHash<int, QAction*> m_commands;
    QHash<QKeyCombination, int> m_accelerators;
};
