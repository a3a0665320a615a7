#pragma once

namespace lirovane {

// The project's version, from CMake's project() (the one place it is set).
inline constexpr const char* kVersion = LIROVANE_VERSION;

} // namespace lirovane
