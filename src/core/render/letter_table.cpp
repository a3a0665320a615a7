#include "core/render/letter_table.h"

#include <cstddef>

namespace lirovane {

namespace {

// Entries in the order they are compared, with the slot each one gives. Left wins
// over Up, Up over Down and Down over Right when a byte sits in two entries.
struct Probe {
    std::size_t entry;
    DirectionSlot slot;
};
constexpr std::array<Probe, 8> kProbeOrder{{
    {0, DirectionSlot::Left},
    {4, DirectionSlot::Left},
    {1, DirectionSlot::Up},
    {5, DirectionSlot::Up},
    {2, DirectionSlot::Down},
    {6, DirectionSlot::Down},
    {3, DirectionSlot::Right},
    {7, DirectionSlot::Right},
}};

constexpr const char* TableText(int orientation) noexcept
{
    switch (orientation) {
    case 1: return "acgtACGT"; // A cancels T and C cancels G
    case 2: return "agtcAGTC"; // A cancels C and G cancels T
    case 3: return "actgACTG"; // A cancels G and C cancels T
    default: return nullptr;
    }
}

} // namespace

DirectionSlot LetterTable::SlotOf(unsigned char byte) const noexcept
{
    for (const Probe& probe : kProbeOrder) {
        if (entries[probe.entry] == byte)
            return probe.slot;
    }
    return DirectionSlot::None;
}

LetterTable LetterTable::ForOrientation(int orientation) noexcept
{
    LetterTable table;
    if (!ApplyOrientation(table, orientation))
        ApplyOrientation(table, 1);
    return table;
}

bool ApplyOrientation(LetterTable& table, int orientation) noexcept
{
    const char* text = TableText(orientation);
    if (text == nullptr)
        return false;
    for (std::size_t i = 0; i < table.entries.size(); ++i)
        table.entries[i] = static_cast<unsigned char>(text[i]);
    return true;
}

SlotLookup::SlotLookup(const LetterTable& table) noexcept
{
    for (std::size_t b = 0; b < m_slots.size(); ++b)
        m_slots[b] = table.SlotOf(static_cast<unsigned char>(b));
}

} // namespace lirovane
