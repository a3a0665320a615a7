#pragma once

// Shared by the core tests: a scratch folder, whole-file reads and writes.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include <unistd.h>

namespace fs = std::filesystem;

namespace lirovane::test {

// The bundled sample: lambda phage, its trf output and the patterns file made from it.
inline const std::string kLambdaFa = LIROVANE_EXAMPLES "/lambda_phage.fa";
inline const std::string kLambdaDat = LIROVANE_EXAMPLES "/lambda_phage.trf.dat";
inline const std::string kLambdaPat = LIROVANE_EXAMPLES "/lambda_phage.pat";

// A fresh folder under the system's temporary folder, removed with its content.
class ScratchDir {
public:
    ScratchDir()
    {
        static int serial = 0;
        m_path = fs::temp_directory_path() /
                 ("lirovane-test-" + std::to_string(::getpid()) + "-" + std::to_string(serial++));
        fs::remove_all(m_path);
        fs::create_directories(m_path);
    }
    ~ScratchDir()
    {
        std::error_code ec;
        fs::remove_all(m_path, ec);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const fs::path& Path() const { return m_path; }
    fs::path operator/(std::string_view name) const { return m_path / name; }

private:
    fs::path m_path;
};

inline fs::path WriteFile(const fs::path& file, std::string_view content)
{
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    return file;
}

inline std::string ReadFile(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Every file of a folder with its bytes.
inline std::map<std::string, std::string> Files(const fs::path& folder)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(folder))
        files[entry.path().filename().string()] = ReadFile(entry.path());
    return files;
}

// The white-space separated words of `text`.
inline std::vector<std::string> Words(const std::string& text)
{
    std::istringstream in(text);
    return {std::istream_iterator<std::string>(in), {}};
}

// Runs `body` with `dir` as the working folder, as the window runs.
template <typename Body> auto InFolder(const fs::path& dir, Body body)
{
    const fs::path before = fs::current_path();
    fs::current_path(dir);
    struct Restore {
        fs::path path;
        ~Restore() { fs::current_path(path); }
    } restore{before};
    return body();
}

} // namespace lirovane::test
