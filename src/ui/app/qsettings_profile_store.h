#pragma once

#include "core/settings/profile_store.h"

#include <QSettings>

// The per-user profile store in QSettings' native format: organisation and application
// "Lirovane", each section a group (on Linux $XDG_CONFIG_HOME/Lirovane/Lirovane.conf).
// Integers are stored as integers, paths as strings. Every write is flushed at once so
// that a crash or a second reader sees what was confirmed.
class QSettingsProfileStore final : public lirovane::ProfileStore {
public:
    QSettingsProfileStore();
    // A store on an explicit file (tests, tools).
    explicit QSettingsProfileStore(const QString& fileName, QSettings::Format format = QSettings::IniFormat);

    int GetProfileInt(std::string_view section, std::string_view key, int defaultValue) const override;
    std::string GetProfileString(std::string_view section, std::string_view key) const override;
    void WriteProfileInt(std::string_view section, std::string_view key, int value) override;
    void WriteProfileString(std::string_view section, std::string_view key, std::string_view value) override;

    QString fileName() const { return m_settings.fileName(); }

private:
    mutable QSettings m_settings;
};
