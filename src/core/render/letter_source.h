#pragma once

#include "core/files/io_error.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <utility>

namespace lirovane {

struct WalkBounds;
class LetterSource;

// Stretches of at least this many letters are drawn in two parts at once where they
// can be: below it a second thread and reader cost more than they save.
inline constexpr std::uint64_t kDrawInPartsFrom = std::uint64_t{16} << 20;

// A stretch in two parts that can be read at once, each on a thread of its own: the
// letters before a point, those from it on, and where the walk over the first part
// ends (steps, y down), which is where the second part's walk starts.
struct LetterParts {
    std::unique_ptr<LetterSource> first;
    std::unique_ptr<LetterSource> second;
    std::int64_t x = 0;
    std::int64_t y = 0;
};

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
    // The stretch in two parts, when where its walk stands about halfway is known;
    // nothing otherwise. A part that fails makes this source's Status() fail.
    virtual std::optional<LetterParts> Parts() { return std::nullopt; }
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
