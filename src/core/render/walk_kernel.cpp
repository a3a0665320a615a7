#include "core/render/walk_kernel.h"

#include "core/sequence/token_reader.h"

#include <algorithm>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

namespace lirovane {

WalkKernel::WalkKernel(const LetterTable& table, bool wide) noexcept : m_wide(wide)
{
    std::array<int, 4> found{};
    for (std::size_t b = 0; b < m_slots.size(); ++b) {
        const auto byte = static_cast<unsigned char>(b);
        const DirectionSlot slot = IsBlank(byte) ? DirectionSlot::None : table.SlotOf(byte);
        m_slots[b] = slot;
        m_stepX[b] = static_cast<std::int8_t>(slot == DirectionSlot::Left ? -1 : slot == DirectionSlot::Right ? 1 : 0);
        m_stepY[b] = static_cast<std::int8_t>(slot == DirectionSlot::Up ? -1 : slot == DirectionSlot::Down ? 1 : 0);
        if (slot == DirectionSlot::None)
            continue;
        const auto s = static_cast<std::size_t>(slot);
        // Each slot has two entries, so no more than two bytes can give it.
        m_bytes[s][static_cast<std::size_t>(std::min(found[s], 1))] = byte;
        ++found[s];
    }
    m_folded = true;
    for (std::size_t s = 0; s < 4; ++s) {
        m_used[s] = found[s] > 0 ? 0xFF : 0x00;
        if (found[s] == 1)
            m_bytes[s][1] = m_bytes[s][0];
        // A pair that differs only in the case bit is matched by one compare after
        // folding the case: the standard tables all are such pairs.
        m_folded = m_folded && found[s] == 2 && (m_bytes[s][0] ^ m_bytes[s][1]) == 0x20;
    }
}

BlockMoves WalkKernel::WalkBytes(const unsigned char* block, std::size_t size) const noexcept
{
    BlockMoves m;
    int x = 0;
    int y = 0;
    for (std::size_t i = 0; i < size; ++i) {
        x += m_stepX[block[i]];
        y += m_stepY[block[i]];
        m.minX = std::min(m.minX, x);
        m.maxX = std::max(m.maxX, x);
        m.minY = std::min(m.minY, y);
        m.maxY = std::max(m.maxY, y);
    }
    m.dx = x;
    m.dy = y;
    return m;
}

#if defined(__SSE2__)

namespace {

// Running sums over the 16 lanes.
inline __m128i Prefix(__m128i p) noexcept
{
    p = _mm_add_epi8(p, _mm_slli_si128(p, 1));
    p = _mm_add_epi8(p, _mm_slli_si128(p, 2));
    p = _mm_add_epi8(p, _mm_slli_si128(p, 4));
    return _mm_add_epi8(p, _mm_slli_si128(p, 8));
}

// Lane 15 in every lane.
inline __m128i BroadcastLast(__m128i p) noexcept
{
    const __m128i high = _mm_shufflehi_epi16(_mm_unpackhi_epi8(p, p), 0xFF);
    return _mm_unpackhi_epi64(high, high);
}

struct SlotMatch {
    __m128i bytes[4][2];
    __m128i used[4];
};

// 0xFF in the lanes of v whose byte gives slot s.
template <bool Folded> inline __m128i Matches(__m128i v, const SlotMatch& match, int s) noexcept
{
    if constexpr (Folded)
        return _mm_cmpeq_epi8(v, match.bytes[s][0]);
    return _mm_and_si128(_mm_or_si128(_mm_cmpeq_epi8(v, match.bytes[s][0]), _mm_cmpeq_epi8(v, match.bytes[s][1])),
                         match.used[s]);
}

// The block's moves from the lanes' running extremes (biased to unsigned order) and
// the running sums, whose lane 15 is the whole block's move.
inline BlockMoves Finish(__m128i minX, __m128i maxX, __m128i minY, __m128i maxY, __m128i sumX, __m128i sumY) noexcept
{
    // Four minimums at once: a maximum is 255 minus the minimum of 255 minus the lanes.
    const __m128i ones = _mm_set1_epi8(static_cast<char>(0xFF));
    const __m128i t1 = _mm_min_epu8(_mm_unpacklo_epi64(minX, _mm_xor_si128(maxX, ones)),
                                    _mm_unpackhi_epi64(minX, _mm_xor_si128(maxX, ones)));
    const __m128i t2 = _mm_min_epu8(_mm_unpacklo_epi64(minY, _mm_xor_si128(maxY, ones)),
                                    _mm_unpackhi_epi64(minY, _mm_xor_si128(maxY, ones)));
    const __m128 f1 = _mm_castsi128_ps(t1);
    const __m128 f2 = _mm_castsi128_ps(t2);
    __m128i u = _mm_min_epu8(_mm_castps_si128(_mm_shuffle_ps(f1, f2, _MM_SHUFFLE(2, 0, 2, 0))),
                             _mm_castps_si128(_mm_shuffle_ps(f1, f2, _MM_SHUFFLE(3, 1, 3, 1))));
    u = _mm_min_epu8(u, _mm_srli_epi32(u, 16));
    u = _mm_min_epu8(u, _mm_srli_epi32(u, 8));
    alignas(16) std::uint32_t lanes[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes), u);
    const auto value = [](std::uint32_t lane) { return static_cast<int>(lane & 0xFF) - 0x80; };
    BlockMoves m;
    m.minX = value(lanes[0]);
    m.maxX = -(value(lanes[1]) + 1);
    m.minY = value(lanes[2]);
    m.maxY = -(value(lanes[3]) + 1);
    // Lane 15, the block's whole move, as a signed byte.
    const auto byte15 = [](__m128i sums) { return ((_mm_extract_epi16(sums, 7) >> 8) ^ 0x80) - 0x80; };
    m.dx = byte15(sumX);
    m.dy = byte15(sumY);
    return m;
}

template <bool Folded> inline BlockMoves WalkVector(const unsigned char* block, const SlotMatch& match) noexcept
{
    const __m128i bias = _mm_set1_epi8(static_cast<char>(0x80));
    const __m128i fold = _mm_set1_epi8(0x20);
    __m128i carryX = _mm_setzero_si128();
    __m128i carryY = _mm_setzero_si128();
    __m128i minX = bias, maxX = bias, minY = bias, maxY = bias; // 0, biased to unsigned order
    for (std::size_t j = 0; j < 4; ++j) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + 16 * j));
        if constexpr (Folded)
            v = _mm_or_si128(v, fold);
        // A match is -1: Left - Right is the x step, Up - Down the y step.
        const __m128i dx = _mm_sub_epi8(Matches<Folded>(v, match, 0), Matches<Folded>(v, match, 3));
        const __m128i dy = _mm_sub_epi8(Matches<Folded>(v, match, 1), Matches<Folded>(v, match, 2));
        const __m128i px = _mm_add_epi8(Prefix(dx), carryX);
        const __m128i py = _mm_add_epi8(Prefix(dy), carryY);
        carryX = BroadcastLast(px);
        carryY = BroadcastLast(py);
        const __m128i bx = _mm_xor_si128(px, bias);
        const __m128i by = _mm_xor_si128(py, bias);
        minX = _mm_min_epu8(minX, bx);
        maxX = _mm_max_epu8(maxX, bx);
        minY = _mm_min_epu8(minY, by);
        maxY = _mm_max_epu8(maxY, by);
    }
    return Finish(minX, maxX, minY, maxY, carryX, carryY);
}

#if defined(__x86_64__) && defined(__GNUC__)
#define LIROVANE_WALK_AVX2 1

// The same walk 32 lanes at a time, for processors that have AVX2 (chosen at run time).
// Shifts stay within each half of 16 lanes, so the lower half's last sum is added to
// the upper half.
#define LIROVANE_AVX2 __attribute__((target("avx2")))

struct WideMatch {
    __m256i bytes[4][2];
    __m256i used[4];
};

template <bool Folded> LIROVANE_AVX2 inline __m256i WideMatches(__m256i v, const WideMatch& match, int s) noexcept
{
    if constexpr (Folded)
        return _mm256_cmpeq_epi8(v, match.bytes[s][0]);
    return _mm256_and_si256(
        _mm256_or_si256(_mm256_cmpeq_epi8(v, match.bytes[s][0]), _mm256_cmpeq_epi8(v, match.bytes[s][1])),
        match.used[s]);
}

// Running sums over 32 lanes, plus `carry`.
LIROVANE_AVX2 inline __m256i WidePrefix(__m256i p, __m256i carry) noexcept
{
    p = _mm256_add_epi8(p, _mm256_slli_si256(p, 1));
    p = _mm256_add_epi8(p, _mm256_slli_si256(p, 2));
    p = _mm256_add_epi8(p, _mm256_slli_si256(p, 4));
    p = _mm256_add_epi8(p, _mm256_slli_si256(p, 8));
    const __m256i halves = _mm256_shuffle_epi8(p, _mm256_set1_epi8(15)); // each half's last sum in all its lanes
    return _mm256_add_epi8(_mm256_add_epi8(p, _mm256_permute2x128_si256(halves, halves, 0x08)), carry);
}

// Lane 31 in every lane.
LIROVANE_AVX2 inline __m256i WideLast(__m256i p) noexcept
{
    const __m256i halves = _mm256_shuffle_epi8(p, _mm256_set1_epi8(15));
    return _mm256_permute2x128_si256(halves, halves, 0x11);
}

template <bool Folded>
LIROVANE_AVX2 inline BlockMoves WalkWide(const unsigned char* block, const WideMatch& match) noexcept
{
    const __m256i bias = _mm256_set1_epi8(static_cast<char>(0x80));
    __m256i carryX = _mm256_setzero_si256();
    __m256i carryY = _mm256_setzero_si256();
    __m256i minX = bias, maxX = bias, minY = bias, maxY = bias;
    for (std::size_t j = 0; j < 2; ++j) {
        __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(block + 32 * j));
        if constexpr (Folded)
            v = _mm256_or_si256(v, _mm256_set1_epi8(0x20));
        const __m256i px =
            WidePrefix(_mm256_sub_epi8(WideMatches<Folded>(v, match, 0), WideMatches<Folded>(v, match, 3)), carryX);
        const __m256i py =
            WidePrefix(_mm256_sub_epi8(WideMatches<Folded>(v, match, 1), WideMatches<Folded>(v, match, 2)), carryY);
        carryX = WideLast(px);
        carryY = WideLast(py);
        const __m256i bx = _mm256_xor_si256(px, bias);
        const __m256i by = _mm256_xor_si256(py, bias);
        minX = _mm256_min_epu8(minX, bx);
        maxX = _mm256_max_epu8(maxX, bx);
        minY = _mm256_min_epu8(minY, by);
        maxY = _mm256_max_epu8(maxY, by);
    }
    return Finish(_mm_min_epu8(_mm256_castsi256_si128(minX), _mm256_extracti128_si256(minX, 1)),
                  _mm_max_epu8(_mm256_castsi256_si128(maxX), _mm256_extracti128_si256(maxX, 1)),
                  _mm_min_epu8(_mm256_castsi256_si128(minY), _mm256_extracti128_si256(minY, 1)),
                  _mm_max_epu8(_mm256_castsi256_si128(maxY), _mm256_extracti128_si256(maxY, 1)),
                  _mm256_castsi256_si128(carryX), _mm256_castsi256_si128(carryY));
}

LIROVANE_AVX2 inline WideMatch Widen(const SlotMatch& narrow) noexcept
{
    WideMatch match;
    for (int s = 0; s < 4; ++s) {
        match.bytes[s][0] = _mm256_broadcastsi128_si256(narrow.bytes[s][0]);
        match.bytes[s][1] = _mm256_broadcastsi128_si256(narrow.bytes[s][1]);
        match.used[s] = _mm256_broadcastsi128_si256(narrow.used[s]);
    }
    return match;
}

template <bool Folded>
LIROVANE_AVX2 void WalkAllWide(const unsigned char* data, std::size_t blocks, BlockMoves* out,
                               const SlotMatch& narrow) noexcept
{
    const WideMatch match = Widen(narrow);
    for (std::size_t b = 0; b < blocks; ++b)
        out[b] = WalkWide<Folded>(data + b * WalkKernel::kBlock, match);
}

#define LIROVANE_AVX2_POPCNT __attribute__((target("avx2,popcnt")))

// Steps each way in 32 bytes, Left, Up, Down, Right.
template <bool Folded>
LIROVANE_AVX2_POPCNT inline std::array<int, 4> HalfSteps(const unsigned char* half, const WideMatch& match) noexcept
{
    __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(half));
    if constexpr (Folded)
        v = _mm256_or_si256(v, _mm256_set1_epi8(0x20));
    std::array<int, 4> steps{};
    for (int s = 0; s < 4; ++s)
        steps[static_cast<std::size_t>(s)] =
            __builtin_popcount(static_cast<std::uint32_t>(_mm256_movemask_epi8(WideMatches<Folded>(v, match, s))));
    return steps;
}

// A block's moves with extremes that hold its walk's: the first half's walk lies
// within its steps each way, the second's within its own from where the first ends.
template <bool Folded>
LIROVANE_AVX2_POPCNT inline BlockMoves ReachWide(const unsigned char* block, const WideMatch& match) noexcept
{
    const std::array<int, 4> a = HalfSteps<Folded>(block, match);
    const std::array<int, 4> c = HalfSteps<Folded>(block + 32, match);
    const int x = a[3] - a[0];
    const int y = a[2] - a[1];
    BlockMoves m;
    m.dx = x + c[3] - c[0];
    m.dy = y + c[2] - c[1];
    m.minX = std::min(-a[0], x - c[0]);
    m.maxX = std::max(a[3], x + c[3]);
    m.minY = std::min(-a[1], y - c[1]);
    m.maxY = std::max(a[2], y + c[2]);
    return m;
}

template <bool Folded>
LIROVANE_AVX2_POPCNT void ReachAllWide(const unsigned char* data, std::size_t blocks, WindowReach& out,
                                       const SlotMatch& narrow) noexcept
{
    const WideMatch match = Widen(narrow);
    out.Clear();
    for (std::size_t b = 0; b < blocks; ++b)
        out.Append(ReachWide<Folded>(data + b * WalkKernel::kBlock, match));
}

// The lanes of a block's running sums, as bits, that are at least `t` (-63 .. 64).
LIROVANE_AVX2 inline std::uint64_t AtLeast(const __m256i (&sums)[2], int t) noexcept
{
    const __m256i below = _mm256_set1_epi8(static_cast<char>(t - 1));
    const auto low = static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_cmpgt_epi8(sums[0], below)));
    const auto high = static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_cmpgt_epi8(sums[1], below)));
    return std::uint64_t{low} | std::uint64_t{high} << 32;
}

// floor(a / scale), quickly for the a near 0 .. scale that a walk's block gives.
inline std::int64_t FloorDiv(std::int64_t a, std::int64_t scale) noexcept
{
    if (a >= 0)
        return a < scale ? 0 : a < 2 * scale ? 1 : a / scale;
    return a >= -scale ? -1 : -((-a + scale - 1) / scale);
}

// The lanes where one axis of the walk enters another pixel, as bits: the pixel is
// floor((rest + sum) / scale), which changes only where the sum passes a multiple of
// the scale, less the rest. Those within the block's extremes (lo .. hi) are few.
// Moves the rest on past the block.
LIROVANE_AVX2 inline std::uint64_t AxisCrossings(const __m256i (&sums)[2], int lo, int hi, int move, std::int64_t scale,
                                                 std::int64_t& rest) noexcept
{
    std::uint64_t crossings = 0;
    // The thresholds t = m * scale - rest with lo < t <= hi.
    for (std::int64_t t = (FloorDiv(rest + lo, scale) + 1) * scale - rest; t <= hi; t += scale) {
        const std::uint64_t above = AtLeast(sums, static_cast<int>(t));
        // Lane i against lane i - 1; before lane 0 the sum is 0.
        crossings |= above ^ (above << 1 | (t <= 0 ? 1u : 0u));
    }
    rest += move - FloorDiv(rest + move, scale) * scale;
    return crossings;
}

// The crossings of one axis in a block whose reach (lo .. hi, `move` in all) takes it
// out of its pixel: the running sums of the steps to `minus` and `plus` slots.
template <bool Folded>
LIROVANE_AVX2 inline std::uint64_t AxisWide(const unsigned char* block, const WideMatch& match, int minus, int plus,
                                            int lo, int hi, int move, std::int64_t scale, std::int64_t& rest) noexcept
{
    __m256i sums[2];
    __m256i carry = _mm256_setzero_si256();
    for (std::size_t j = 0; j < 2; ++j) {
        __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(block + 32 * j));
        if constexpr (Folded)
            v = _mm256_or_si256(v, _mm256_set1_epi8(0x20));
        sums[j] = WidePrefix(_mm256_sub_epi8(WideMatches<Folded>(v, match, minus), WideMatches<Folded>(v, match, plus)),
                             carry);
        carry = WideLast(sums[j]);
    }
    return AxisCrossings(sums, lo, hi, move, scale, rest);
}

// The offsets in the block at which a walk drawn at `scale` steps per pixel moves the
// pen, from the running sums of its steps: one per lane where an axis enters another
// pixel (a lane steps on one axis only). An axis whose reach stays in its pixel only
// moves on.
template <bool Folded>
LIROVANE_AVX2 std::size_t CrossWide(const unsigned char* block, const BlockMoves& m, const WideMatch& match,
                                    std::int64_t scale, std::int64_t& restX, std::int64_t& restY, std::uint16_t* out,
                                    std::size_t offset) noexcept
{
    std::uint64_t crossings = 0;
    if (restX + m.minX < 0 || restX + m.maxX >= scale)
        crossings = AxisWide<Folded>(block, match, 0, 3, m.minX, m.maxX, m.dx, scale, restX);
    else
        restX += m.dx;
    if (restY + m.minY < 0 || restY + m.maxY >= scale)
        crossings |= AxisWide<Folded>(block, match, 1, 2, m.minY, m.maxY, m.dy, scale, restY);
    else
        restY += m.dy;
    std::size_t n = 0;
    for (; crossings != 0; crossings &= crossings - 1)
        out[n++] = static_cast<std::uint16_t>(offset + static_cast<std::size_t>(__builtin_ctzll(crossings)));
    return n;
}

// The crossings of `count` blocks: their moves given, or (Reached) each block reached
// first and walked only where it may cross.
template <bool Folded, bool Reached>
LIROVANE_AVX2_POPCNT std::size_t CrossBlocksWide(const unsigned char* data, const BlockMoves* blocks, std::size_t count,
                                                 const SlotMatch& narrow, std::int64_t scale, std::int64_t& restX,
                                                 std::int64_t& restY, std::uint16_t* out) noexcept
{
    const WideMatch match = Widen(narrow);
    std::int64_t x = restX; // in registers, not through the references
    std::int64_t y = restY;
    std::size_t n = 0;
    for (std::size_t b = 0; b < count; ++b) {
        const unsigned char* block = data + b * WalkKernel::kBlock;
        BlockMoves m;
        if constexpr (Reached)
            m = ReachWide<Folded>(block, match);
        else
            m = blocks[b];
        if (m.StaysWithin(x, y, scale)) {
            x += m.dx;
            y += m.dy;
        } else {
            n += CrossWide<Folded>(block, m, match, scale, x, y, out + n, b * WalkKernel::kBlock);
        }
    }
    restX = x;
    restY = y;
    return n;
}

LIROVANE_AVX2 inline __m256i Load8(const std::int32_t* p) noexcept
{
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

// The window's extremes of its blocks' starts (ends) and reach (far), both from what
// they are given, over whole groups of 8 blocks; returns how many blocks it took.
LIROVANE_AVX2 std::size_t WindowExtremesWide(const WindowReach& w, std::int32_t (&ends)[4],
                                             std::int32_t (&far)[4]) noexcept
{
    const std::size_t whole = w.count / 8 * 8;
    for (std::size_t axis = 0; axis < 2; ++axis) {
        __m256i v[4] = {_mm256_set1_epi32(ends[2 * axis]), _mm256_set1_epi32(ends[2 * axis + 1]),
                        _mm256_set1_epi32(far[2 * axis]), _mm256_set1_epi32(far[2 * axis + 1])};
        for (std::size_t b = 0; b < whole; b += 8) {
            v[0] = _mm256_min_epi32(v[0], Load8(w.start[axis] + b));
            v[1] = _mm256_max_epi32(v[1], Load8(w.start[axis] + b));
            v[2] = _mm256_min_epi32(v[2], Load8(w.low[axis] + b));
            v[3] = _mm256_max_epi32(v[3], Load8(w.high[axis] + b));
        }
        alignas(32) std::int32_t lanes[4][8];
        for (std::size_t k = 0; k < 4; ++k)
            _mm256_store_si256(reinterpret_cast<__m256i*>(lanes[k]), v[k]);
        std::int32_t* sides[4] = {&ends[2 * axis], &ends[2 * axis + 1], &far[2 * axis], &far[2 * axis + 1]};
        for (std::size_t l = 0; l < 8; ++l) {
            *sides[0] = std::min(*sides[0], lanes[0][l]);
            *sides[1] = std::max(*sides[1], lanes[1][l]);
            *sides[2] = std::min(*sides[2], lanes[2][l]);
            *sides[3] = std::max(*sides[3], lanes[3][l]);
        }
    }
    return whole;
}

// The blocks whose reach gets to the limits (min x, max x, min y, max y), among whole
// groups of 8 blocks, into `out`; returns how many.
LIROVANE_AVX2 std::size_t CandidatesWide(const WindowReach& w, const std::int32_t (&at)[4], std::uint16_t* out) noexcept
{
    // low <= at is at + 1 > low; high >= at is high > at - 1.
    const __m256i a0 = _mm256_set1_epi32(at[0] + 1), a1 = _mm256_set1_epi32(at[1] - 1);
    const __m256i a2 = _mm256_set1_epi32(at[2] + 1), a3 = _mm256_set1_epi32(at[3] - 1);
    const std::size_t whole = w.count / 8 * 8;
    std::size_t n = 0;
    for (std::size_t b = 0; b < whole; b += 8) {
        const __m256i may = _mm256_or_si256(
            _mm256_or_si256(_mm256_cmpgt_epi32(a0, Load8(w.low[0] + b)), _mm256_cmpgt_epi32(Load8(w.high[0] + b), a1)),
            _mm256_or_si256(_mm256_cmpgt_epi32(a2, Load8(w.low[1] + b)), _mm256_cmpgt_epi32(Load8(w.high[1] + b), a3)));
        for (auto bits = static_cast<unsigned>(_mm256_movemask_ps(_mm256_castsi256_ps(may))); bits != 0;
             bits &= bits - 1)
            out[n++] = static_cast<std::uint16_t>(b + static_cast<std::size_t>(__builtin_ctz(bits)));
    }
    return n;
}

bool HasAvx2() noexcept
{
    static const bool has = __builtin_cpu_supports("avx2") != 0 && __builtin_cpu_supports("popcnt") != 0;
    return has;
}

#endif

} // namespace

namespace {

SlotMatch MakeMatch(const std::array<std::array<unsigned char, 2>, 4>& bytes, const std::array<unsigned char, 4>& used,
                    bool folded) noexcept
{
    SlotMatch match;
    for (int s = 0; s < 4; ++s) {
        const auto i = static_cast<std::size_t>(s);
        const unsigned char fold = folded ? 0x20 : 0x00;
        match.bytes[s][0] = _mm_set1_epi8(static_cast<char>(bytes[i][0] | fold));
        match.bytes[s][1] = _mm_set1_epi8(static_cast<char>(bytes[i][1] | fold));
        match.used[s] = _mm_set1_epi8(static_cast<char>(used[i]));
    }
    return match;
}

} // namespace

void WalkKernel::Walk(const unsigned char* data, std::size_t blocks, BlockMoves* out) const noexcept
{
    const SlotMatch match = MakeMatch(m_bytes, m_used, m_folded);
#if defined(LIROVANE_WALK_AVX2)
    if (m_wide && HasAvx2()) {
        if (m_folded)
            WalkAllWide<true>(data, blocks, out, match);
        else
            WalkAllWide<false>(data, blocks, out, match);
        return;
    }
#endif
    if (m_folded) {
        for (std::size_t b = 0; b < blocks; ++b)
            out[b] = WalkVector<true>(data + b * kBlock, match);
    } else {
        for (std::size_t b = 0; b < blocks; ++b)
            out[b] = WalkVector<false>(data + b * kBlock, match);
    }
}

void WalkKernel::Reach(const unsigned char* data, std::size_t blocks, WindowReach& out) const noexcept
{
#if defined(LIROVANE_WALK_AVX2)
    if (m_wide && HasAvx2()) {
        const SlotMatch match = MakeMatch(m_bytes, m_used, m_folded);
        if (m_folded)
            ReachAllWide<true>(data, blocks, out, match);
        else
            ReachAllWide<false>(data, blocks, out, match);
        return;
    }
#endif
    ReachExactly(data, blocks, out);
}

std::size_t WalkKernel::Crossings(const unsigned char* data, std::size_t count, std::int64_t scale, std::int64_t& restX,
                                  std::int64_t& restY, std::uint16_t* out) const noexcept
{
#if defined(LIROVANE_WALK_AVX2)
    if (m_wide && HasAvx2()) {
        const SlotMatch match = MakeMatch(m_bytes, m_used, m_folded);
        if (m_folded)
            return CrossBlocksWide<true, true>(data, nullptr, count, match, scale, restX, restY, out);
        return CrossBlocksWide<false, true>(data, nullptr, count, match, scale, restX, restY, out);
    }
#endif
    constexpr std::size_t kMost = 64;
    BlockMoves moves[kMost];
    std::size_t n = 0;
    for (std::size_t b = 0; b < count; b += kMost) {
        const std::size_t some = std::min(kMost, count - b);
        Walk(data + b * kBlock, some, moves);
        const std::size_t found = Crossings(data + b * kBlock, moves, some, scale, restX, restY, out + n);
        for (std::size_t j = n; j < n + found; ++j)
            out[j] = static_cast<std::uint16_t>(out[j] + b * kBlock);
        n += found;
    }
    return n;
}

std::size_t WalkKernel::Crossings(const unsigned char* data, const BlockMoves* moves, std::size_t count,
                                  std::int64_t scale, std::int64_t& restX, std::int64_t& restY,
                                  std::uint16_t* out) const noexcept
{
#if defined(LIROVANE_WALK_AVX2)
    if (m_wide && HasAvx2()) {
        const SlotMatch match = MakeMatch(m_bytes, m_used, m_folded);
        if (m_folded)
            return CrossBlocksWide<true, false>(data, moves, count, match, scale, restX, restY, out);
        return CrossBlocksWide<false, false>(data, moves, count, match, scale, restX, restY, out);
    }
#endif
    std::size_t n = 0;
    for (std::size_t b = 0; b < count; ++b) {
        const BlockMoves& m = moves[b];
        if (m.StaysWithin(restX, restY, scale)) {
            restX += m.dx;
            restY += m.dy;
        } else {
            n += CrossBytes(data, b * kBlock, scale, restX, restY, out + n);
        }
    }
    return n;
}

#else

void WalkKernel::Walk(const unsigned char* data, std::size_t blocks, BlockMoves* out) const noexcept
{
    for (std::size_t b = 0; b < blocks; ++b)
        out[b] = WalkBytes(data + b * kBlock, kBlock);
}

void WalkKernel::Reach(const unsigned char* data, std::size_t blocks, WindowReach& out) const noexcept
{
    ReachExactly(data, blocks, out);
}

std::size_t WalkKernel::Crossings(const unsigned char* data, std::size_t count, std::int64_t scale, std::int64_t& restX,
                                  std::int64_t& restY, std::uint16_t* out) const noexcept
{
    std::size_t n = 0;
    for (std::size_t b = 0; b < count; ++b)
        n += CrossBytes(data, b * kBlock, scale, restX, restY, out + n);
    return n;
}

std::size_t WalkKernel::Crossings(const unsigned char* data, const BlockMoves* moves, std::size_t count,
                                  std::int64_t scale, std::int64_t& restX, std::int64_t& restY,
                                  std::uint16_t* out) const noexcept
{
    std::size_t n = 0;
    for (std::size_t b = 0; b < count; ++b)
        n += CrossBytes(data, b * kBlock, scale, restX, restY, out + n);
    return n;
}

#endif

std::size_t WalkKernel::CrossBytes(const unsigned char* data, std::size_t offset, std::int64_t scale,
                                   std::int64_t& restX, std::int64_t& restY, std::uint16_t* out) const noexcept
{
    const auto k = static_cast<std::uint64_t>(scale);
    std::size_t n = 0;
    for (std::size_t j = offset; j < offset + kBlock; ++j) {
        const int dx = StepX(data[j]);
        const int dy = StepY(data[j]);
        restX += dx;
        restY += dy;
        if ((static_cast<std::uint64_t>(restX) >= k) | (static_cast<std::uint64_t>(restY) >= k)) {
            restX -= dx * scale;
            restY -= dy * scale;
            out[n++] = static_cast<std::uint16_t>(j);
        }
    }
    return n;
}

void WalkBounds::Append(const WalkBounds& next) noexcept
{
    minX = std::min(minX, x + next.minX);
    maxX = std::max(maxX, x + next.maxX);
    minY = std::min(minY, y + next.minY);
    maxY = std::max(maxY, y + next.maxY);
    x += next.x;
    y += next.y;
}

void WalkBounds::Take(const BlockMoves& m) noexcept
{
    Extend(m, x, y);
    x += m.dx;
    y += m.dy;
}

void WalkKernel::ReachExactly(const unsigned char* data, std::size_t blocks, WindowReach& out) const noexcept
{
    out.Clear();
    for (std::size_t b = 0; b < blocks; ++b) {
        BlockMoves m;
        Walk(data + b * kBlock, 1, &m);
        out.Append(m);
    }
}

void WalkBounds::Extend(const BlockMoves& m, std::int64_t atX, std::int64_t atY) noexcept
{
    minX = std::min(minX, atX + m.minX);
    maxX = std::max(maxX, atX + m.maxX);
    minY = std::min(minY, atY + m.minY);
    maxY = std::max(maxY, atY + m.maxY);
}

void WalkBounds::Add(std::string_view piece, const WalkKernel& kernel) noexcept
{
    const auto* p = reinterpret_cast<const unsigned char*>(piece.data());
    const std::size_t i = ScanExtremes(
        kernel, p, piece.size(), *this,
        [this](const BlockMoves& m, std::size_t, std::int64_t atX, std::int64_t atY) { Extend(m, atX, atY); });
    Take(kernel.WalkBytes(p + i, piece.size() - i));
}

std::size_t detail::ExtremeCandidates(const WindowReach& window, const WalkBounds& bounds, std::uint16_t* out) noexcept
{
    // The window's extremes go at least as far as its end points (the blocks' starts
    // and the last one's end), and no farther than its blocks reach.
    const std::size_t count = window.count;
    std::int32_t ends[4] = {window.end[0], window.end[0], window.end[1], window.end[1]}; // min x, max x, min y, max y
    std::int32_t far[4] = {0, 0, 0, 0};
    std::size_t done = 0; // blocks taken 8 at a time; the rest one by one
#if defined(LIROVANE_WALK_AVX2)
    const bool wide = HasAvx2();
    if (wide)
        done = WindowExtremesWide(window, ends, far);
#endif
    for (std::size_t axis = 0; axis < 2; ++axis)
        for (std::size_t b = done; b < count; ++b) {
            ends[2 * axis] = std::min(ends[2 * axis], window.start[axis][b]);
            ends[2 * axis + 1] = std::max(ends[2 * axis + 1], window.start[axis][b]);
            far[2 * axis] = std::min(far[2 * axis], window.low[axis][b]);
            far[2 * axis + 1] = std::max(far[2 * axis + 1], window.high[axis][b]);
        }
    // A block matters only if its reach gets to the window's farthest end point on
    // that side, and past the extreme so far.
    const std::int64_t limits[4] = {std::min<std::int64_t>(ends[0], bounds.minX - bounds.x - 1),
                                    std::max<std::int64_t>(ends[1], bounds.maxX - bounds.x + 1),
                                    std::min<std::int64_t>(ends[2], bounds.minY - bounds.y - 1),
                                    std::max<std::int64_t>(ends[3], bounds.maxY - bounds.y + 1)};
    if (far[0] > limits[0] && far[1] < limits[1] && far[2] > limits[2] && far[3] < limits[3])
        return 0; // the usual case away from the extremes
    // Limits beyond any block's reach clamp to one past it, so they fit the arrays' type.
    std::int32_t at[4];
    for (std::size_t e = 0; e < 4; ++e)
        at[e] = static_cast<std::int32_t>(std::clamp<std::int64_t>(limits[e], far[e & 2] - 1, far[(e & 2) + 1] + 1));
    std::size_t n = 0;
#if defined(LIROVANE_WALK_AVX2)
    if (wide)
        n = CandidatesWide(window, at, out);
#endif
    for (std::size_t b = done; b < count; ++b) {
        out[n] = static_cast<std::uint16_t>(b);
        n += static_cast<std::size_t>((window.low[0][b] <= at[0]) | (window.high[0][b] >= at[1]) |
                                      (window.low[1][b] <= at[2]) | (window.high[1][b] >= at[3]));
    }
    return n;
}

} // namespace lirovane
