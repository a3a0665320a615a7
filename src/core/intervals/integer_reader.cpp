#include "core/intervals/integer_reader.h"

#include "core/files/input_file.h"

#include "core/sequence/token_reader.h"

#include <algorithm>
#include <cstdint>

namespace lirovane {

IntegerReader::IntegerReader(std::size_t blockSize) : m_block(std::max<std::size_t>(blockSize, 1)) {}

IntegerReader::~IntegerReader()
{
    Close();
}

IoStatus IntegerReader::Open(const std::filesystem::path& file)
{
    Close();
    IoResult<std::FILE*> opened = OpenInputFile(file);
    m_file = *opened; // null on failure
    return opened;
}

void IntegerReader::Close() noexcept
{
    if (m_file != nullptr)
        std::fclose(m_file);
    m_file = nullptr;
    m_pos = 0;
    m_len = 0;
    m_stopped = Status::Ok;
    m_line = 1;
}

int IntegerReader::Peek()
{
    if (m_pos == m_len) {
        if (m_file == nullptr)
            return -1;
        m_pos = 0;
        m_len = std::fread(m_block.data(), 1, m_block.size(), m_file);
        if (m_len == 0)
            return -1;
    }
    return m_block[m_pos];
}

IntegerReader::Status IntegerReader::Read(std::int64_t& value)
{
    if (m_stopped != Status::Ok)
        return m_stopped;
    int c = Peek();
    while (c >= 0 && IsBlank(static_cast<unsigned char>(c))) {
        if (c == '\n')
            ++m_line;
        ++m_pos;
        c = Peek();
    }
    if (c < 0)
        return m_stopped = Status::End;

    bool negative = false;
    if (c == '+' || c == '-') {
        negative = c == '-';
        ++m_pos;
        c = Peek();
    }
    if (c < '0' || c > '9')
        return m_stopped = Status::Bad;

    // Magnitude limit: 2^63 - 1, or 2^63 for a negative number.
    const std::uint64_t limit = std::uint64_t{INT64_MAX} + (negative ? 1u : 0u);
    std::uint64_t magnitude = 0;
    while (c >= '0' && c <= '9') {
        const auto digit = static_cast<std::uint64_t>(c - '0');
        if (magnitude > (limit - digit) / 10)
            return m_stopped = Status::Bad;
        magnitude = magnitude * 10 + digit;
        ++m_pos;
        c = Peek();
    }
    value = negative ? static_cast<std::int64_t>(0 - magnitude) : static_cast<std::int64_t>(magnitude);
    return Status::Ok;
}

} // namespace lirovane
