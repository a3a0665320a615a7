#pragma once

// Scratch files for the fuzz targets: one folder per process, files rewritten per input.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

#include <unistd.h>

namespace lirovane::fuzz {

// The folder is removed when the process ends normally (libFuzzer's runs and the
// corpus replay both end with exit).
inline const std::filesystem::path& ScratchFolder()
{
    struct Folder {
        std::filesystem::path path;
        Folder() : path(std::filesystem::temp_directory_path() / ("lirovane-fuzz-" + std::to_string(::getpid())))
        {
            std::filesystem::create_directories(path);
        }
        ~Folder()
        {
            std::error_code ec;
            std::filesystem::remove_all(path, ec);
        }
    };
    static const Folder folder;
    return folder.path;
}

inline std::filesystem::path WriteScratch(std::string_view name, std::string_view content)
{
    const auto file = ScratchFolder() / name;
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    return file;
}

inline std::string ReadScratch(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline std::string_view AsText(const std::uint8_t* data, std::size_t size)
{
    return {reinterpret_cast<const char*>(data), size};
}

} // namespace lirovane::fuzz

// Aborts the run with a readable reason when an invariant fails.
#define LIROVANE_FUZZ_CHECK(condition)                                                                                 \
    do {                                                                                                               \
        if (!(condition)) {                                                                                            \
            std::fprintf(stderr, "check failed: %s (%s:%d)\n", #condition, __FILE__, __LINE__);                        \
            std::abort();                                                                                              \
        }                                                                                                              \
    } while (false)
