#pragma once

#include <filesystem>
#include <string>

namespace lirovane {

// Empty when `file` can be opened for reading (nothing is created); otherwise why
// not, in words. A folder is not a readable file.
std::string UnreadableReason(const std::filesystem::path& file);

inline bool CanOpenForReading(const std::filesystem::path& file)
{
    return UnreadableReason(file).empty();
}

} // namespace lirovane
