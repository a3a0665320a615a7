#pragma once

#include "core/files/io_error.h"

#include <string_view>
#include <utility>

namespace lirovane {

struct WalkBounds;

// The letters of one stretch, handed out in pieces and readable more than once: the
// renderer walks a stretch twice, once to measure it and once to draw it, so a stretch
// longer than memory allows can be read again from where it lies.
class LetterSource {
public:
    virtual ~LetterSource() = default;

    // Goes back to the first letter. False when the letters cannot be read (again).
    virtual bool Rewind() = 0;
    // The next piece of letters; empty at the end, or once reading failed. A piece may
    // hold blanks (white space) between letters, as a file's text does: they are no
    // letters, and no walk steps for them.
    virtual std::string_view Next() = 0;
    // Why reading stopped before the last letter (a walk over such a source is
    // incomplete); success when it did not.
    virtual IoStatus Status() const = 0;
    bool Failed() const { return !Status().ok(); }
    // The extremes of the walk over these letters when they were found as the letters
    // went by once already, so that measuring need not read them again; null otherwise.
    virtual const WalkBounds* KnownBounds() const { return nullptr; }
    // Whether a piece stays valid through the call after the next, so that a reader
    // one piece ahead can hand it out without a copy.
    virtual bool KeepsTwoPieces() const { return false; }
};

// A stretch held in memory: one piece, the whole of it.
class StringLetters final : public LetterSource {
public:
    explicit StringLetters(std::string_view letters) noexcept : m_letters(letters) {}

    bool Rewind() override
    {
        m_done = false;
        return true;
    }
    std::string_view Next() override { return std::exchange(m_done, true) ? std::string_view() : m_letters; }
    IoStatus Status() const override { return {}; }
    bool KeepsTwoPieces() const override { return true; }

private:
    std::string_view m_letters;
    bool m_done = false;
};

} // namespace lirovane
