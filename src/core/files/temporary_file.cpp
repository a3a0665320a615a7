#include "core/files/temporary_file.h"

#include <filesystem>
#include <string>
#include <system_error>

#include <unistd.h>

namespace lirovane {

std::FILE* UnnamedTemporaryFile(std::string_view stem)
{
    std::error_code ec;
    const std::filesystem::path folder = std::filesystem::temp_directory_path(ec);
    if (ec)
        return nullptr;
    std::string name = (folder / (std::string(stem) + "-XXXXXX")).string();
    const int fd = ::mkstemp(name.data());
    if (fd < 0)
        return nullptr;
    ::unlink(name.c_str());
    std::FILE* file = ::fdopen(fd, "w+b");
    if (file == nullptr)
        ::close(fd);
    return file;
}

} // namespace lirovane
