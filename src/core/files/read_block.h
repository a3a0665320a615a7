#pragma once

#include <array>
#include <cstddef>
#include <memory>
#include <mutex>
#include <new>
#include <utility>

namespace lirovane {

inline constexpr std::size_t kReadBlockAlignment = 4096;

// Read blocks let go of, kept for the next block of the same size (a few at most, shared
// by every thread): readers made one after another, one per long stretch drawn, then fill
// pages already in memory instead of faulting in fresh ones.
class SpareReadBlocks {
public:
    // Never destroyed, so that blocks let go of while the program ends still find it.
    static SpareReadBlocks& Get()
    {
        static auto* spares = new SpareReadBlocks;
        return *spares;
    }

    unsigned char* Take(std::size_t size)
    {
        {
            std::lock_guard lock(m_mutex);
            for (auto& [block, blockSize] : m_kept)
                if (block != nullptr && blockSize == size)
                    return std::exchange(block, nullptr);
        }
        return static_cast<unsigned char*>(::operator new(size, kAlign));
    }

    void Give(unsigned char* p, std::size_t size) noexcept
    {
        {
            std::lock_guard lock(m_mutex);
            for (auto& [block, blockSize] : m_kept)
                if (block == nullptr && size <= kLargestKept) {
                    block = p;
                    blockSize = size;
                    return;
                }
        }
        ::operator delete(p, kAlign);
    }

private:
    static constexpr std::align_val_t kAlign{kReadBlockAlignment};
    static constexpr std::size_t kLargestKept = std::size_t{4} << 20;
    std::mutex m_mutex;
    std::array<std::pair<unsigned char*, std::size_t>, 6> m_kept{};
};

struct ReadBlockFree {
    std::size_t size = 0;
    void operator()(unsigned char* p) const noexcept { SpareReadBlocks::Get().Give(p, size); }
};

// A read buffer aligned to a page. The kernel copies into a destination that is not
// aligned to 64 bytes several times slower, and the heap hands out large blocks 16
// bytes past a page boundary: every block that read() or fread() fills comes from here.
class ReadBlock {
public:
    static constexpr std::size_t kAlignment = kReadBlockAlignment;

    ReadBlock() = default;
    explicit ReadBlock(std::size_t size) { Allocate(size); }

    // Replaces the contents with `size` bytes, not initialised.
    void Allocate(std::size_t size)
    {
        m_data.reset();
        m_data = Owned(size == 0 ? nullptr : SpareReadBlocks::Get().Take(size), ReadBlockFree{size});
        m_size = size;
    }

    unsigned char* data() noexcept { return m_data.get(); }
    const unsigned char* data() const noexcept { return m_data.get(); }
    std::size_t size() const noexcept { return m_size; }
    unsigned char& operator[](std::size_t i) noexcept { return m_data[i]; }
    unsigned char operator[](std::size_t i) const noexcept { return m_data[i]; }

private:
    using Owned = std::unique_ptr<unsigned char[], ReadBlockFree>;
    Owned m_data;
    std::size_t m_size = 0;
};

} // namespace lirovane
