#pragma once

// The application's name: caption of every message box, name in the profile store.
inline const char* const kAppName = "Lirovane";
