#pragma once

#include <string>
#include <string_view>

namespace lirovane {

// The section every setting of the program lives in.
inline constexpr std::string_view kProfileSection = "Lirovane";

// The per-user profile store: integers and strings by section and key.
// Reads of a missing key give the default (integers) or an empty string;
// write failures are not reported.
class ProfileStore {
public:
    virtual ~ProfileStore() = default;
    virtual int GetProfileInt(std::string_view section, std::string_view key, int defaultValue) const = 0;
    virtual std::string GetProfileString(std::string_view section, std::string_view key) const = 0;
    virtual void WriteProfileInt(std::string_view section, std::string_view key, int value) = 0;
    virtual void WriteProfileString(std::string_view section, std::string_view key, std::string_view value) = 0;
};

} // namespace lirovane
