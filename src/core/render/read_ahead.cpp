#include "core/render/read_ahead.h"

#include "core/render/letter_source.h"

namespace lirovane {

ReadAhead::ReadAhead(LetterSource& letters) : m_letters(letters)
{
    m_thread = std::thread([this] { Run(); });
}

ReadAhead::~ReadAhead()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void ReadAhead::Run()
{
    for (std::size_t s = 0;; s ^= 1) {
        Slot& slot = m_slots[s];
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [&] { return m_stopping || !slot.full; });
            if (m_stopping)
                return;
        }
        // The slot is the reader's alone until it is marked full.
        const std::string_view piece = m_letters.Next();
        slot.text = m_letters.KeepsTwoPieces() ? piece : std::string_view(slot.copy.assign(piece));
        {
            std::lock_guard lock(m_mutex);
            slot.full = true;
            slot.last = piece.empty();
        }
        m_changed.notify_all();
        if (piece.empty())
            return;
    }
}

std::string_view ReadAhead::Next()
{
    std::unique_lock lock(m_mutex);
    if (m_holding) // the piece handed out last is done with
        m_slots[m_taking ^ 1].full = false;
    m_changed.notify_all();
    Slot& slot = m_slots[m_taking];
    m_changed.wait(lock, [&] { return slot.full; });
    m_holding = true;
    m_taking ^= 1;
    return slot.last ? std::string_view() : slot.text;
}

} // namespace lirovane
