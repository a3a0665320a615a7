#pragma once

#include <cstdio>
#include <string_view>

namespace lirovane {

// An unnamed file for reading and writing in the system's temporary folder (TMPDIR),
// named after `stem` only while it is made: it is unlinked at once, so it goes with the
// process however that ends. Null, with errno set, when none can be made there.
std::FILE* UnnamedTemporaryFile(std::string_view stem);

} // namespace lirovane
