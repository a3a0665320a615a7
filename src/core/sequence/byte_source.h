#pragma once

#include "core/files/io_error.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

namespace lirovane {

// Whether decompressed sequence text is refused at a NUL byte. lirovane-batch refuses
// binary data in every mode; the window reads any bytes, every token counting (the default).
void SetTextOnlyInput(bool textOnly) noexcept;
bool TextOnlyInput() noexcept;

// Where a source can resume reading: `point` is a byte offset in a plain file and a
// virtual offset (compressed block, offset in it) in a BGZF file; `skip` bytes of
// text follow before the wanted one.
struct SourcePoint {
    std::uint64_t point = 0;
    std::uint64_t skip = 0;
};

// The decompressed text of a sequence file, read in blocks. Plain files are read as
// they are; gzip and BGZF files are decompressed, so positions are always those of
// the text. A read error sets Status() (naming the file and the offset) and ends the text.
class ByteSource {
public:
    virtual ~ByteSource() = default;

    // Up to `size` bytes into `data`; 0 at the end of the text or after an error.
    virtual std::size_t Read(char* data, std::size_t size) = 0;
    // Where the next Read starts.
    virtual SourcePoint Tell() const = 0;
    // Continues at a point an earlier Tell gave; false when the source cannot seek.
    virtual bool Seek(const SourcePoint& point) = 0;
    // Whether Seek works (a plain gzip stream can only be read from its start).
    virtual bool CanSeek() const = 0;
    // Bytes of text read so far (the offset of the next byte in the text).
    virtual std::uint64_t TextOffset() const = 0;
    // Plain, gzip or BGZF.
    virtual const char* Kind() const = 0;
    // Success while reading went well; otherwise why it stopped.
    const IoStatus& Status() const noexcept { return m_status; }

protected:
    IoStatus m_status;
};

struct SourceOptions {
    int threads = 0; // decompression threads for BGZF besides the caller (0: none)
    // Ends decompressed text with an error at a NUL byte anywhere in it: binary data is
    // no sequence. (A plain file is judged by its first block, CheckInputFile: a sparse
    // genome file may hold NUL characters.) The default is the process's.
    bool textOnly = TextOnlyInput();
};

// Opens a plain, gzip or BGZF file (told apart by its first bytes, not its name).
// Fails when the file cannot be opened, is not a regular file or has a broken gzip
// header.
IoResult<std::unique_ptr<ByteSource>> OpenByteSource(const std::filesystem::path& file,
                                                     const SourceOptions& options = {});

// Why a sequence file may be incomplete though it reads to its end: a BGZF file
// without its end-of-file block (samtools warns of the same); empty otherwise.
std::string CompressedInputWarning(const std::filesystem::path& file);

// Whether the file starts with the gzip magic bytes (gzip and BGZF both do).
bool IsGzipFile(const std::filesystem::path& file);
// Whether the file is BGZF (gzip blocks with their sizes, which allows seeking).
bool IsBgzfFile(const std::filesystem::path& file);

namespace detail {
// BGZF blocks followed from header to header (each gives its size) up to the end, a
// plain gzip member or zero padding.
struct BgzfChain {
    bool complete = true;          // no block runs past the end of the file
    bool endsWithEofBlock = false; // the last block followed is bgzip's empty end block
    bool gzipTail = false;         // a plain gzip member follows the blocks
    long long cutAt = -1;          // where the block that is cut short starts
};
BgzfChain WalkBgzfBlocks(int fd);

// The compressed reader (htslib) over an open descriptor, which it takes over; used by
// OpenByteSource for gzip and BGZF files.
IoResult<std::unique_ptr<ByteSource>> OpenCompressedSource(int fd, const std::filesystem::path& file,
                                                           const SourceOptions& options);
} // namespace detail

} // namespace lirovane
