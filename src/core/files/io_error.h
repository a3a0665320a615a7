#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace lirovane {

// How every reader and writer of the core reports a failure.
//
// A reader or writer returns an IoStatus (nothing but success or failure) or an
// IoResult<T> (a value as well). On failure it carries one IoError that says
//   - which file: the path as the caller gave it, never rewritten;
//   - where in it: the 1-based line of a text file, or 0 when no line applies
//     (the file could not be opened, written or renamed; a binary format);
//   - why: the operating system's own reason (strerror of errno) when a system
//     call failed, or a short plain description when the content is at fault.
// Message() puts these together for a person: "FILE: line N: REASON".
//
// Nothing in the core throws for these faults and nothing is shown or logged: the
// caller decides whether an error becomes a message box, a line on stderr or an
// exit status. A reader that stops at a fault keeps what it read before it, and
// IoResult holds that partial value beside the error.
struct IoError {
    std::filesystem::path file;
    std::uint64_t line = 0;
    std::string reason;
    int osError = 0; // errno when a system call failed, 0 for faulty content

    std::string Message() const;

    // The OS's reason for `errorNumber` (errno), with what was being done when it is
    // not plain from the reason alone ("cannot create", "cannot rename into place").
    static IoError FromErrno(std::filesystem::path file, int errorNumber, std::string_view doing = {});
    // A fault in the file's content, at `line` (0: none).
    static IoError Content(std::filesystem::path file, std::uint64_t line, std::string reason);
    // A fault that is no single file's (two files that clash, a busy folder).
    static IoError Plain(std::string reason);
};

class [[nodiscard]] IoStatus {
public:
    IoStatus() = default; // success
    IoStatus(IoError error) : m_error(std::move(error)) {}

    bool ok() const noexcept { return !m_error.has_value(); }
    explicit operator bool() const noexcept { return ok(); }
    // Only on failure.
    const IoError& error() const { return *m_error; }
    std::string Message() const { return ok() ? std::string() : m_error->Message(); }

private:
    std::optional<IoError> m_error;
};

template <typename T> class [[nodiscard]] IoResult : public IoStatus {
public:
    IoResult(T value) : m_value(std::move(value)) {}
    IoResult(IoError error, T partial = T{}) : IoStatus(std::move(error)), m_value(std::move(partial)) {}

    // On failure: what was read or done before the fault.
    const T& value() const& noexcept { return m_value; }
    T& value() & noexcept { return m_value; }
    T&& value() && noexcept { return std::move(m_value); }
    const T* operator->() const noexcept { return &m_value; }
    const T& operator*() const& noexcept { return m_value; }

private:
    T m_value;
};

} // namespace lirovane
