#pragma once

#include "core/settings/app_settings.h"

#include <memory>

class CMainFrame;
class PickerServices;
namespace lirovane {
class ProfileStore;
}

// The application: runs the start-up sequence and owns the settings record and the
// main window for the whole run.
class CMorkelbyApp {
public:
    CMorkelbyApp(lirovane::ProfileStore& store, PickerServices& pickers);
    ~CMorkelbyApp();

    // Sets the look of dialogs, builds the main window (its view loads the settings and,
    // on a first run, shows the settings dialog before anything else), gives it the icon
    // and the title "Lirovane", and shows it. A QApplication must exist.
    bool InitInstance();

    CMainFrame* mainFrame() const { return m_frame.get(); }
    lirovane::AppSettings& settings() { return m_settings; }

    // White dialogs and message boxes with black text, for every dialog of the program.
    static void SetDialogColors();

private:
    lirovane::ProfileStore& m_store;
    PickerServices& m_pickers;
    lirovane::AppSettings m_settings;
    std::unique_ptr<CMainFrame> m_frame;
};
