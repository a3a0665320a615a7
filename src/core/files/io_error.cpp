#include "core/files/io_error.h"

#include <cstring>

namespace lirovane {

std::string IoError::Message() const
{
    std::string text;
    if (!file.empty()) {
        text = file.string();
        text += ": ";
    }
    if (line > 0) {
        text += "line ";
        text += std::to_string(line);
        text += ": ";
    }
    text += reason;
    return text;
}

IoError IoError::FromErrno(std::filesystem::path file, int errorNumber, std::string_view doing)
{
    IoError error;
    error.file = std::move(file);
    error.osError = errorNumber;
    if (!doing.empty()) {
        error.reason = doing;
        error.reason += ": ";
    }
    error.reason += std::strerror(errorNumber);
    return error;
}

IoError IoError::Content(std::filesystem::path file, std::uint64_t line, std::string reason)
{
    IoError error;
    error.file = std::move(file);
    error.line = line;
    error.reason = std::move(reason);
    return error;
}

IoError IoError::Plain(std::string reason)
{
    IoError error;
    error.reason = std::move(reason);
    return error;
}

} // namespace lirovane
