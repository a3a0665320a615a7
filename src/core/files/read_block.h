#pragma once

#include <cstddef>
#include <memory>
#include <new>

namespace lirovane {

// A read buffer aligned to a page. The kernel copies into a destination that is not
// aligned to 64 bytes several times slower, and the heap hands out large blocks 16
// bytes past a page boundary: every block that read() or fread() fills comes from here.
class ReadBlock {
public:
    static constexpr std::size_t kAlignment = 4096;

    ReadBlock() = default;
    explicit ReadBlock(std::size_t size) { Allocate(size); }

    // Replaces the contents with `size` bytes, not initialised.
    void Allocate(std::size_t size)
    {
        m_data.reset(size == 0 ? nullptr : static_cast<unsigned char*>(::operator new(size, kAlign)));
        m_size = size;
    }

    unsigned char* data() noexcept { return m_data.get(); }
    const unsigned char* data() const noexcept { return m_data.get(); }
    std::size_t size() const noexcept { return m_size; }
    unsigned char& operator[](std::size_t i) noexcept { return m_data[i]; }
    unsigned char operator[](std::size_t i) const noexcept { return m_data[i]; }

private:
    static constexpr std::align_val_t kAlign{kAlignment};
    struct Free {
        void operator()(unsigned char* p) const noexcept { ::operator delete(p, kAlign); }
    };
    std::unique_ptr<unsigned char[], Free> m_data;
    std::size_t m_size = 0;
};

} // namespace lirovane
