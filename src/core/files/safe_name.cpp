#include "core/files/safe_name.h"

namespace lirovane {

namespace {

bool IsSafe(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '_' ||
           c == '-';
}

std::string Lower(std::string_view text)
{
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

} // namespace

std::string SafeFileName(std::string_view name)
{
    if (name.empty())
        return "_";
    std::string safe(name);
    for (char& c : safe)
        if (!IsSafe(c))
            c = '_';
    if (safe.front() == '.')
        safe.front() = '_';
    return safe;
}

void UniqueNames::Reserve(std::string_view name)
{
    m_taken.insert(Lower(name));
}

std::string UniqueNames::Take(std::string_view name)
{
    std::string candidate(name);
    for (int n = 2; !m_taken.insert(Lower(candidate)).second; ++n)
        candidate = std::string(name).append(1, '-').append(std::to_string(n));
    return candidate;
}

} // namespace lirovane
