#pragma once

#include "core/files/read_block.h"
#include "core/sequence/byte_source.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace lirovane {

// White space of every input file: space, tab, line feed, carriage return,
// vertical tab, form feed. A token of a sequence file is any other byte.
constexpr bool IsBlank(unsigned char c) noexcept
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// Non-blank bytes in [data, data + size): a tight loop the compiler vectorises.
std::size_t CountTokens(const char* data, std::size_t size) noexcept;

// Blocks of this size stay in the second-level cache of the core that reads and walks
// them, which a long walk of a plain file then runs measurably faster on.
inline constexpr std::size_t kReadBlockSize = std::size_t{256} << 10;
// Text handed to a second thread comes in larger blocks: fewer handoffs between them.
inline constexpr std::size_t kReadAheadBlockSize = std::size_t{1} << 20;

// Reads a sequence file (plain, gzip or BGZF) as a stream of tokens, in large blocks.
// Tokens are numbered from 1 in the order of the decompressed text; Consumed() is how
// many have been taken so far. A read error ends the tokens and sets Status().
class TokenReader {
public:
    explicit TokenReader(std::size_t blockSize = kReadBlockSize);
    ~TokenReader();
    TokenReader(const TokenReader&) = delete;
    TokenReader& operator=(const TokenReader&) = delete;

    // Fails, setting Status() too, when the file cannot be opened for reading.
    IoStatus Open(const std::filesystem::path& file, const SourceOptions& options = {});
    // Reads from a source of one's own (tests, generated text).
    void Open(std::unique_ptr<ByteSource> source);
    bool IsOpen() const noexcept { return m_source != nullptr; }
    void Close() noexcept;

    // Passes over up to n tokens; returns how many there were (fewer at the end).
    std::uint64_t Skip(std::uint64_t n);
    // The text of up to n tokens as it stands in the file, blanks included: a view into
    // the reader's block, valid until the next call. `tokens` is how many it holds
    // (possibly none, in a run of blanks); empty at the end of input.
    std::string_view ReadText(std::uint64_t n, std::uint64_t& tokens);
    // Reads into two blocks in turn from now on, so that a view ReadText gave stays
    // valid through the call after the next: a thread reading ahead can hand out one
    // piece while it reads the next.
    void KeepTwoBlocks();
    // The next up to n bytes of text as they stand, without counting their tokens
    // (Consumed() stays where it is): a view into the reader's block, as ReadText gives.
    // Empty at the end of input.
    std::string_view ReadBytes(std::size_t n);
    // Appends up to n tokens to `out`; returns how many were appended.
    std::uint64_t Read(std::uint64_t n, std::string& out);
    // Takes the next token; false at the end of input.
    bool Next(char& token);

    std::uint64_t Consumed() const noexcept { return m_consumed; }
    // Where the next byte not yet looked at lies, for Seek.
    SourcePoint Position() const noexcept;
    // Continues reading at a point Position() gave, counting `tokensBefore` tokens as taken.
    bool Seek(const SourcePoint& point, std::uint64_t tokensBefore);
    // Whether Seek can work (not on a plain gzip stream).
    bool CanSeek() const noexcept { return m_source != nullptr && m_source->CanSeek(); }
    // Whether the text is decompressed from gzip or BGZF.
    bool Compressed() const noexcept { return m_source != nullptr && std::string_view(m_source->Kind()) != "plain"; }
    // Why the file could not be opened or reading stopped early (naming the file and
    // the offset); success when neither happened.
    const IoStatus& Status() const noexcept { return m_status; }
    bool Failed() const noexcept { return !m_status.ok(); }

private:
    bool Refill();

    void Allocate(std::size_t wanted);

    std::unique_ptr<ByteSource> m_source;
    IoStatus m_status;
    std::size_t m_blockSize;
    ReadBlock m_block; // allocated at Open, no larger than the file needs
    ReadBlock m_spare; // the block read before, while two are kept
    bool m_twoBlocks = false;
    std::size_t m_pos = 0;
    std::size_t m_len = 0;
    SourcePoint m_blockStart; // where m_block[0] was read
    std::uint64_t m_consumed = 0;
};

// Takes up to n tokens from `reader` as text, as ReadText gives it, calling take(text,
// tokens) for each piece until it returns false. A long run is read on a second thread,
// one piece ahead, so that the reading and the caller's work on the piece before
// overlap. Returns the tokens taken (fewer at the end of input, once reading failed,
// or when take stopped it; the reader may then stand a piece further on).
std::uint64_t TakeText(TokenReader& reader, std::uint64_t n,
                       const std::function<bool(std::string_view text, std::uint64_t tokens)>& take);

} // namespace lirovane
