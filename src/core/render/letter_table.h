#pragma once

#include <array>
#include <cstdint>

namespace lirovane {

// The four directions a letter can step the pen.
enum class DirectionSlot : std::uint8_t { Left = 0, Up = 1, Down = 2, Right = 3, None = 4 };

// Eight letters bound to slots: entries 0..3 (Letter1..Letter4) are the lower-case
// letters of Left, Up, Down, Right; entries 4..7 (Letter5..Letter8) the upper-case ones.
struct LetterTable {
    std::array<unsigned char, 8> entries{};

    // The slot of a byte, compared with Letter1, Letter5, Letter2, Letter6, Letter3,
    // Letter7, Letter4, Letter8 in that order; the first equal entry wins.
    DirectionSlot SlotOf(unsigned char byte) const noexcept;

    // The table of orientation 1, 2 or 3; orientation 1 for anything else.
    static LetterTable ForOrientation(int orientation) noexcept;

    friend bool operator==(const LetterTable&, const LetterTable&) = default;
};

// Rewrites all eight entries for orientation 1, 2 or 3 and returns true;
// any other orientation leaves the table as it is and returns false.
bool ApplyOrientation(LetterTable& table, int orientation) noexcept;

// A 256-entry lookup built once from a table, for the hot loops of the renderer.
class SlotLookup {
public:
    explicit SlotLookup(const LetterTable& table) noexcept;
    DirectionSlot operator[](unsigned char byte) const noexcept { return m_slots[byte]; }

private:
    std::array<DirectionSlot, 256> m_slots{};
};

} // namespace lirovane
