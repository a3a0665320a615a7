#include "ui/app/qsettings_profile_store.h"

#include "ui/app/app_name.h"

#include <QFile>

namespace {

QString KeyPath(std::string_view section, std::string_view key)
{
    return QString::fromUtf8(section.data(), static_cast<qsizetype>(section.size())) + QLatin1Char('/') +
           QString::fromUtf8(key.data(), static_cast<qsizetype>(key.size()));
}

} // namespace

QSettingsProfileStore::QSettingsProfileStore()
    : m_settings(QSettings::NativeFormat, QSettings::UserScope, QString::fromLatin1(kAppName),
                 QString::fromLatin1(kAppName))
{
}

QSettingsProfileStore::QSettingsProfileStore(const QString& fileName, QSettings::Format format)
    : m_settings(fileName, format)
{
}

int QSettingsProfileStore::GetProfileInt(std::string_view section, std::string_view key, int defaultValue) const
{
    const QVariant value = m_settings.value(KeyPath(section, key));
    if (!value.isValid())
        return defaultValue;
    bool ok = false;
    // Integers come back from an ini file as text; a value that is no integer reads as missing.
    const qlonglong number = value.toString().trimmed().toLongLong(&ok);
    if (!ok)
        return defaultValue;
    // Colours written by other tools as unsigned 32-bit values keep their bits.
    return static_cast<int>(static_cast<std::uint32_t>(number & 0xFFFFFFFFLL));
}

std::string QSettingsProfileStore::GetProfileString(std::string_view section, std::string_view key) const
{
    const QVariant value = m_settings.value(KeyPath(section, key));
    if (!value.isValid())
        return {};
    return QFile::encodeName(value.toString()).toStdString();
}

void QSettingsProfileStore::WriteProfileInt(std::string_view section, std::string_view key, int value)
{
    m_settings.setValue(KeyPath(section, key), value);
    m_settings.sync();
}

void QSettingsProfileStore::WriteProfileString(std::string_view section, std::string_view key, std::string_view value)
{
    m_settings.setValue(KeyPath(section, key),
                        QFile::decodeName(QByteArray(value.data(), static_cast<qsizetype>(value.size()))));
    m_settings.sync();
}
