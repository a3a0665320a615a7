#include "core/io/file_checks.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <system_error>

namespace lirovane {

std::string UnreadableReason(const std::filesystem::path& file)
{
    std::error_code ec;
    if (std::filesystem::is_directory(file, ec))
        return "is a folder, not a file";
    std::FILE* f = std::fopen(file.c_str(), "rb");
    if (f == nullptr)
        return std::strerror(errno);
    std::fclose(f);
    return {};
}

} // namespace lirovane
