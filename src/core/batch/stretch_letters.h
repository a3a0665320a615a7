#pragma once

#include "core/render/letter_source.h"
#include "core/render/walk_kernel.h"
#include "core/sequence/byte_source.h"
#include "core/sequence/token_reader.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace lirovane {

// Stretches too long to hold in memory, read again for each walk of the renderer.

// Where the walk over a stretch stands (x, y, steps with y down) after `tokens` of its
// tokens, `bytes` bytes into its text.
struct StretchMiddle {
    std::uint64_t bytes = 0;
    std::uint64_t tokens = 0;
    std::int64_t x = 0;
    std::int64_t y = 0;
};

// `count` tokens of a sequence file from a point its TokenReader gave (a byte offset in
// a plain file, a virtual offset in a BGZF one), handed out as the text they lie in:
// the blanks between them come too, and the renderer passes over them. The file is opened at the first Rewind,
// so a stretch waiting to be drawn holds no file open. Fails when the file ends or
// cannot be read before `count` tokens.
class SequenceStretch final : public LetterSource {
public:
    SequenceStretch(std::filesystem::path file, const SourcePoint& start, std::uint64_t tokensBefore,
                    std::uint64_t count);

    bool Rewind() override;
    std::string_view Next() override;
    IoStatus Status() const override;
    const WalkBounds* KnownBounds() const override { return m_bounds ? &*m_bounds : nullptr; }
    bool KeepsTwoPieces() const override { return true; } // the reader keeps two blocks
    std::optional<LetterParts> Parts() override;
    // The walk's extremes under the style it will be drawn in, found as it was read.
    void SetKnownBounds(const WalkBounds& bounds) { m_bounds = bounds; }
    // The bytes of text the stretch spans, blanks and all, found as it was read: it is
    // then read again as so many bytes, without counting its tokens.
    void SetKnownBytes(std::uint64_t bytes) { m_bytes = bytes; }
    // Where the walk stands at a point within the stretch, found as it was read: with
    // the known bytes, in a plain file (whose points are byte offsets), the stretch is
    // then drawn in two parts at once. Its callers note it for stretches of
    // kDrawInPartsFrom letters or more.
    void SetKnownMiddle(const StretchMiddle& middle) { m_middle = middle; }

private:
    void Fail(IoStatus status);
    // The reader's reason when it has one, else `otherwise` about the file.
    IoStatus Why(const char* otherwise) const;

    std::optional<WalkBounds> m_bounds;
    std::optional<std::uint64_t> m_bytes;
    std::filesystem::path m_file;
    SourcePoint m_start;
    std::uint64_t m_tokensBefore;
    std::uint64_t m_count;
    std::uint64_t m_left = 0; // tokens, or bytes when they are known
    std::optional<StretchMiddle> m_middle;
    IoStatus m_status;
    IoStatus m_partStatus[2];    // of the parts last handed out, each set by its own part
    IoStatus* m_whole = nullptr; // a part's own slot in the stretch it is part of
    TokenReader m_reader;
};

// A stretch written to an unnamed temporary file while it is collected, for input that
// can only be read from its start (plain gzip). The file is unlinked at once, so it goes
// with the process, however that ends.
class SpilledStretch final : public LetterSource {
public:
    // In the system's temporary folder (TMPDIR); null when no file can be made there.
    static std::unique_ptr<SpilledStretch> Create();
    explicit SpilledStretch(std::FILE* file) noexcept : m_file(file) {}
    ~SpilledStretch() override;
    SpilledStretch(const SpilledStretch&) = delete;
    SpilledStretch& operator=(const SpilledStretch&) = delete;

    // False, and a failed Status() from then on, when the file cannot take the letters.
    bool Append(std::string_view letters);

    bool Rewind() override;
    std::string_view Next() override;
    IoStatus Status() const override { return m_status; }
    const WalkBounds* KnownBounds() const override { return m_bounds ? &*m_bounds : nullptr; }
    void SetKnownBounds(const WalkBounds& bounds) { m_bounds = bounds; }

private:
    std::optional<WalkBounds> m_bounds;
    std::FILE* m_file;
    std::uint64_t m_written = 0;
    std::uint64_t m_read = 0;
    IoStatus m_status;
    std::string m_piece;
};

} // namespace lirovane
