#pragma once

#include <string>
#include <string_view>
#include <unordered_set>

namespace lirovane {

// A name that a page can link without quotes and that names a file or folder on any
// system: only A-Z a-z 0-9 . _ - are kept, every other byte becomes '_', and so does a
// leading dot (no hidden files, and "." or ".." cannot name a folder). Empty text gives "_".
std::string SafeFileName(std::string_view name);

// Hands out names unique ignoring case, so that two pictures never share a file on a
// case-insensitive disk: the second "a" (or "A") is "a-2", the third "a-3", and a
// name already taken by such a suffix moves on to the next number.
class UniqueNames {
public:
    // Keeps `name` from being handed out (as "index.htm" beside type folders).
    void Reserve(std::string_view name);
    // `name` itself, or with the first free "-N" from 2 on.
    std::string Take(std::string_view name);

private:
    std::unordered_set<std::string> m_taken; // lower case
};

} // namespace lirovane
