#pragma once

#include "core/render/walk_kernel.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace lirovane {

// The one rule by which a walk is drawn at `scale` steps per pixel, in the batch's
// long stretches, in the viewer's levels and in the overview: the pen stands at
// floor(position / scale) on each axis, and moves one pixel, in the direction of the
// step that made it change, each time that changes. At a scale of 1 every step moves.
// Only the remainders within the current pixel are kept, and 64-byte blocks whose
// walk stays inside the current pixel are passed over whole.
class ScaledWalk {
public:
    ScaledWalk(const WalkKernel& kernel, std::int64_t scale) noexcept
        : m_kernel(kernel), m_scale(std::max<std::int64_t>(scale, 1))
    {
    }

    std::int64_t Scale() const noexcept { return m_scale; }

    // Places the pen where a walk from the origin stands after moving (x, y) steps.
    void Place(std::int64_t x, std::int64_t y) noexcept
    {
        m_restX = (x % m_scale + m_scale) % m_scale;
        m_restY = (y % m_scale + m_scale) % m_scale;
    }

    // Walks `piece`, calling move(slot) for every pixel move; when move returns false
    // the walk stops there and Feed returns the offset of the byte that made that
    // move. Otherwise it returns piece.size().
    template <typename Move> std::size_t Feed(std::string_view piece, Move&& move)
    {
        const auto* p = reinterpret_cast<const unsigned char*>(piece.data());
        const std::size_t n = piece.size();
        std::size_t i = 0;
        if (m_scale > 1) {
            std::uint16_t at[kBatch * WalkKernel::kBlock];
            while (n - i >= WalkKernel::kBlock) {
                const std::size_t count = std::min(kBatch, (n - i) / WalkKernel::kBlock);
                const std::size_t found = m_kernel.Crossings(p + i, count, m_scale, m_restX, m_restY, at);
                for (std::size_t j = 0; j < found; ++j)
                    if (!move(m_kernel.SlotOf(p[i + at[j]])))
                        return i + at[j];
                i += count * WalkKernel::kBlock;
            }
        }
        const std::size_t stop = Bytes(p + i, n - i, move);
        return stop < n - i ? i + stop : n;
    }

private:
    static constexpr std::size_t kBatch = 64;

    // A byte at a time, branch-free but for the moves themselves: the remainders step
    // with the tables and wrap into the next pixel when they leave 0 .. scale - 1.
    template <typename Move> std::size_t Bytes(const unsigned char* p, std::size_t n, Move& move)
    {
        const auto scale = static_cast<std::uint64_t>(m_scale);
        for (std::size_t j = 0; j < n; ++j) {
            const int dx = m_kernel.StepX(p[j]);
            const int dy = m_kernel.StepY(p[j]);
            m_restX += dx;
            m_restY += dy;
            if ((static_cast<std::uint64_t>(m_restX) >= scale) | (static_cast<std::uint64_t>(m_restY) >= scale)) {
                m_restX -= dx * m_scale;
                m_restY -= dy * m_scale;
                if (!move(m_kernel.SlotOf(p[j])))
                    return j;
            }
        }
        return n;
    }

    const WalkKernel& m_kernel;
    std::int64_t m_scale;
    std::int64_t m_restX = 0; // steps past the pen's pixel, 0 .. scale - 1
    std::int64_t m_restY = 0;
};

} // namespace lirovane
