#include "core/io/output_file.h"

#include <utility>

namespace lirovane {

OutputFile::OutputFile(const std::filesystem::path& file) : m_file(std::fopen(file.c_str(), "wb")) {}

void OutputFile::Write(std::string_view text)
{
    if (m_file != nullptr && !text.empty() && std::fwrite(text.data(), 1, text.size(), m_file) != text.size())
        m_ok = false;
}

bool OutputFile::Close()
{
    std::FILE* file = std::exchange(m_file, nullptr);
    if (file == nullptr)
        return false;
    if (std::ferror(file) != 0)
        m_ok = false;
    if (std::fclose(file) != 0)
        m_ok = false;
    return m_ok;
}

} // namespace lirovane
