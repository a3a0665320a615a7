#include "core/settings/memory_profile_store.h"

namespace lirovane {

namespace {

std::pair<std::string, std::string> KeyOf(std::string_view section, std::string_view key)
{
    return {std::string(section), std::string(key)};
}

} // namespace

int MemoryProfileStore::GetProfileInt(std::string_view section, std::string_view key, int defaultValue) const
{
    const auto it = m_values.find(KeyOf(section, key));
    if (it == m_values.end())
        return defaultValue;
    if (const int* value = std::get_if<int>(&it->second))
        return *value;
    return defaultValue;
}

std::string MemoryProfileStore::GetProfileString(std::string_view section, std::string_view key) const
{
    const auto it = m_values.find(KeyOf(section, key));
    if (it == m_values.end())
        return {};
    if (const std::string* value = std::get_if<std::string>(&it->second))
        return *value;
    return {};
}

void MemoryProfileStore::WriteProfileInt(std::string_view section, std::string_view key, int value)
{
    m_values[KeyOf(section, key)] = value;
}

void MemoryProfileStore::WriteProfileString(std::string_view section, std::string_view key, std::string_view value)
{
    m_values[KeyOf(section, key)] = std::string(value);
}

std::optional<MemoryProfileStore::Value> MemoryProfileStore::Find(std::string_view section, std::string_view key) const
{
    const auto it = m_values.find(KeyOf(section, key));
    if (it == m_values.end())
        return std::nullopt;
    return it->second;
}

void MemoryProfileStore::Erase(std::string_view section, std::string_view key)
{
    m_values.erase(KeyOf(section, key));
}

} // namespace lirovane
