#pragma once

#include "core/render/letter_table.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace lirovane {

// What 64 bytes of a walk do, relative to the pen where they start: the move, and the
// extremes of the pen over the block (the start point included), in unit steps with
// y down. Nothing outside the block is needed to find them.
struct BlockMoves {
    int dx = 0;
    int dy = 0;
    int minX = 0;
    int maxX = 0;
    int minY = 0;
    int maxY = 0;

    friend bool operator==(const BlockMoves&, const BlockMoves&) = default;

    // Whether the block leaves a pen at (x, y) within its pixel of `scale` steps, the
    // pen's steps past that pixel's corner being x and y (0 .. scale - 1).
    bool StaysWithin(std::int64_t x, std::int64_t y, std::int64_t scale) const noexcept
    {
        return x + minX >= 0 && x + maxX < scale && y + minY >= 0 && y + maxY < scale;
    }
};

// A window of up to 256 blocks reached: per block, the pen at its start and the
// farthest it can reach each way (x, then y), all from the pen at the window's start,
// one array each so that loops over them vectorise; and where the last block ends.
struct WindowReach {
    static constexpr std::size_t kMost = 256;
    std::size_t count = 0;
    std::int32_t end[2] = {0, 0};
    std::int32_t start[2][kMost];
    std::int32_t low[2][kMost];
    std::int32_t high[2][kMost];

    // Starts the window afresh, the pen at its start.
    void Clear() noexcept { count = 0, end[0] = 0, end[1] = 0; }
    // Takes in the next block's moves (at most kMost in all).
    void Append(const BlockMoves& m) noexcept
    {
        const std::int32_t x = end[0], y = end[1];
        start[0][count] = x, start[1][count] = y;
        low[0][count] = x + m.minX, high[0][count] = x + m.maxX;
        low[1][count] = y + m.minY, high[1][count] = y + m.maxY;
        end[0] = x + m.dx, end[1] = y + m.dy;
        ++count;
    }

    // Block b's moves, as from the pen at its start.
    BlockMoves Moves(std::size_t b) const noexcept
    {
        const std::int32_t x = start[0][b], y = start[1][b];
        const std::int32_t toX = b + 1 < count ? start[0][b + 1] : end[0];
        const std::int32_t toY = b + 1 < count ? start[1][b + 1] : end[1];
        return {toX - x, toY - y, low[0][b] - x, high[0][b] - x, low[1][b] - y, high[1][b] - y};
    }
};

// The hot loops of the renderer: a letter's step from a table, and whole 64-byte
// blocks summed with vector instructions, so that a long walk costs little more than
// reading it. Blank bytes (white space) never step: stretches that come as raw text
// pass over them as over any byte without a slot.
class WalkKernel {
public:
    static constexpr std::size_t kBlock = 64;

    // `wide`: 32 lanes at a time where the processor can (false: 16, for tests).
    explicit WalkKernel(const LetterTable& table, bool wide = true) noexcept;

    DirectionSlot SlotOf(unsigned char byte) const noexcept { return m_slots[byte]; }
    int StepX(unsigned char byte) const noexcept { return m_stepX[byte]; }
    int StepY(unsigned char byte) const noexcept { return m_stepY[byte]; }

    // The moves of `blocks` blocks of 64 bytes from `data`, into out[0..blocks).
    void Walk(const unsigned char* data, std::size_t blocks, BlockMoves* out) const noexcept;
    // The same, a byte at a time: the reference the vector form must equal.
    BlockMoves WalkBytes(const unsigned char* block, std::size_t size) const noexcept;
    // The reach of `blocks` (at most WindowReach::kMost) blocks from `data`: where each
    // starts, exactly, and extremes that hold its walk's own, from how many steps each
    // half block takes each way, about a third of Walk's work. Enough to pass over the
    // many blocks that cannot reach a pixel's edge or a new extreme.
    void Reach(const unsigned char* data, std::size_t blocks, WindowReach& out) const noexcept;

    // Where a walk drawn at `scale` (> 0) steps per pixel moves its pen over `count`
    // blocks of 64 bytes from `data`, whose moves Walk gave (or a reach's, as
    // WindowReach::Moves gives them: looser extremes only walk more blocks): the byte
    // offsets from `data`, in order, into out[0..n) (room for 64 per block); returns n.
    // restX and restY (0 .. scale - 1) are the steps past the pen's pixel before the
    // blocks, and after them on return. A pen moves on the byte whose step takes a rest
    // out of 0 .. scale - 1, which then wraps round into the next pixel.
    std::size_t Crossings(const unsigned char* data, const BlockMoves* moves, std::size_t count, std::int64_t scale,
                          std::int64_t& restX, std::int64_t& restY, std::uint16_t* out) const noexcept;
    // The same for blocks not walked yet: each is reached first, and walked only when
    // its reach touches the pixel's edge.
    std::size_t Crossings(const unsigned char* data, std::size_t count, std::int64_t scale, std::int64_t& restX,
                          std::int64_t& restY, std::uint16_t* out) const noexcept;

private:
    // Reach from the exact moves, where there is no vector form.
    void ReachExactly(const unsigned char* data, std::size_t blocks, WindowReach& out) const noexcept;
    // Crossings a byte at a time, for the bytes of one block from `offset`.
    std::size_t CrossBytes(const unsigned char* data, std::size_t offset, std::int64_t scale, std::int64_t& restX,
                           std::int64_t& restY, std::uint16_t* out) const noexcept;

    std::array<DirectionSlot, 256> m_slots{};
    std::array<std::int8_t, 256> m_stepX{};
    std::array<std::int8_t, 256> m_stepY{};
    // Per slot (Left, Up, Down, Right) the bytes that give it (at most two), a mask of
    // 0xFF when it has any, and whether every slot's pair is one letter in two cases.
    std::array<std::array<unsigned char, 2>, 4> m_bytes{};
    std::array<unsigned char, 4> m_used{};
    bool m_folded = false;
    bool m_wide = true;
};

// The extremes of a walk of unit steps (y down) from (0, 0), the start included, fed a
// piece at a time: whole blocks from the kernel, the rest a byte at a time.
struct WalkBounds {
    std::int64_t x = 0;
    std::int64_t y = 0;
    std::int64_t minX = 0;
    std::int64_t maxX = 0;
    std::int64_t minY = 0;
    std::int64_t maxY = 0;

    void Add(std::string_view piece, const WalkKernel& kernel) noexcept;
    // Takes in a stretch's moves, as from the pen at (x, y).
    void Take(const BlockMoves& m) noexcept;
    // Widens the extremes by a block's, walked from the pen at (atX, atY); the pen stays.
    void Extend(const BlockMoves& m, std::int64_t atX, std::int64_t atY) noexcept;
    // Takes in the walk over the text that follows, walked from its own start.
    void Append(const WalkBounds& next) noexcept;
};

namespace detail {

// Which blocks of `window` may hold a new extreme of `bounds` (with the pen at the
// window's start): their indexes, in order; returns how many.
std::size_t ExtremeCandidates(const WindowReach& window, const WalkBounds& bounds, std::uint16_t* out) noexcept;

} // namespace detail

// Takes in a window of blocks at p that Reach gave, as ScanExtremes does.
template <typename Exact>
void TakeWindow(const WalkKernel& kernel, const unsigned char* p, const WindowReach& window, WalkBounds& bounds,
                Exact&& exact)
{
    std::uint16_t candidates[WindowReach::kMost];
    const std::size_t found = detail::ExtremeCandidates(window, bounds, candidates);
    for (std::size_t c = 0; c < found; ++c) {
        const std::size_t at = candidates[c];
        BlockMoves m;
        kernel.Walk(p + at * WalkKernel::kBlock, 1, &m);
        exact(m, at * WalkKernel::kBlock, bounds.x + window.start[0][at], bounds.y + window.start[1][at]);
    }
    bounds.x += window.end[0];
    bounds.y += window.end[1];
}

// Walks the whole blocks of p[0..n) from the pen at (bounds.x, bounds.y), moving the
// pen past them, and calls exact(moves, offset, atX, atY), in order, for every block
// that may take the walk to a new extreme, with its exact moves and the pen at its
// start; the caller widens the extremes. Returns the offset of the bytes left over.
// The others are passed over from their steps alone: a window's blocks are reached
// first, and only a block whose reach touches the window's farthest end point and
// goes past the extremes so far can hold the window's new extreme.
template <typename Exact>
std::size_t ScanExtremes(const WalkKernel& kernel, const unsigned char* p, std::size_t n, WalkBounds& bounds,
                         Exact&& exact)
{
    WindowReach window;
    std::size_t i = 0;
    while (n - i >= WalkKernel::kBlock) {
        const std::size_t count = std::min(WindowReach::kMost, (n - i) / WalkKernel::kBlock);
        kernel.Reach(p + i, count, window);
        TakeWindow(kernel, p + i, window, bounds,
                   [&exact, i](const BlockMoves& m, std::size_t offset, std::int64_t atX, std::int64_t atY) {
                       exact(m, i + offset, atX, atY);
                   });
        i += count * WalkKernel::kBlock;
    }
    return i;
}

} // namespace lirovane
