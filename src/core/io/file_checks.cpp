#include "core/io/file_checks.h"

#include "core/io/input_file.h"

namespace lirovane {

std::string UnreadableReason(const std::filesystem::path& file)
{
    // A pipe or a device is refused without opening it for good: it could block.
    const IoStatus readable = CheckReadableFile(file);
    return readable.ok() ? std::string() : readable.error().reason;
}

} // namespace lirovane
