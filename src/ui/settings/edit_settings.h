#pragma once

class QWidget;
class PickerServices;
namespace lirovane {
struct AppSettings;
class ProfileStore;
} // namespace lirovane

// The settings flow: runs the settings dialog filled from `settings`; after OK copies
// the values back (applying the orientation's letter table), makes the stored start-up
// directory ("Path") the working directory again, splits the patterns file into
// starts.txt and ends.txt there, and saves every setting. A cancelled dialog changes
// nothing. Returns whether the dialog was confirmed.
bool EditSettings(lirovane::AppSettings& settings, lirovane::ProfileStore& store, PickerServices& pickers,
                  QWidget* parent);
