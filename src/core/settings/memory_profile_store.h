#pragma once

#include "core/settings/profile_store.h"

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace lirovane {

// A profile store held in memory, for tests and for runs without a persistent store.
class MemoryProfileStore final : public ProfileStore {
public:
    using Value = std::variant<int, std::string>;

    int GetProfileInt(std::string_view section, std::string_view key, int defaultValue) const override;
    std::string GetProfileString(std::string_view section, std::string_view key) const override;
    void WriteProfileInt(std::string_view section, std::string_view key, int value) override;
    void WriteProfileString(std::string_view section, std::string_view key, std::string_view value) override;

    // The stored value of a key, if any; for tests.
    std::optional<Value> Find(std::string_view section, std::string_view key) const;
    void Erase(std::string_view section, std::string_view key);
    std::size_t Size() const noexcept { return m_values.size(); }

private:
    std::map<std::pair<std::string, std::string>, Value, std::less<>> m_values;
};

} // namespace lirovane
