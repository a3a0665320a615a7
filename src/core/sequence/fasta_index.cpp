// The samtools .fai index of a FASTA file: read, checked against the file, written.
// Writing goes through htslib's faidx, which also writes the .gzi of a BGZF file.
#include "core/sequence/fasta_index.h"

#include "core/intervals/integer_text.h"
#include "core/sequence/byte_source.h"
#include "core/sequence/token_reader.h"

#include "core/files/output_file.h"

#include <htslib/faidx.h>
#include <htslib/hts_log.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string_view>

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

namespace lirovane {

namespace {

// Header lines longer than this are not believed.
constexpr std::uint64_t kMaxHeaderBytes = 1 << 20;

// Reads the small pieces the check looks at. They come in file order and mostly lie
// close together (a record's header, first line, last line and the next header), so one
// pread of a small window serves several: a genome of thousands of records is checked
// with one system call per record instead of a seek and a read per piece.
class PieceReader {
public:
    explicit PieceReader(const std::filesystem::path& file) : m_fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC)) {}
    ~PieceReader()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    PieceReader(const PieceReader&) = delete;
    PieceReader& operator=(const PieceReader&) = delete;

    bool IsOpen() const noexcept { return m_fd >= 0; }

    // `size` bytes at `offset` into `out`; false when the file holds fewer there.
    bool ReadAt(std::uint64_t offset, std::size_t size, std::string& out)
    {
        if (offset >= m_start && offset - m_start + size <= m_window.size()) {
            out.assign(m_window, static_cast<std::size_t>(offset - m_start), size);
            return true;
        }
        if (size > kWindow) {
            out.resize(size);
            return Fill(offset, out.data(), size) == size;
        }
        m_window.resize(kWindow);
        m_start = offset;
        m_window.resize(Fill(offset, m_window.data(), kWindow));
        if (m_window.size() < size)
            return false;
        out.assign(m_window, 0, size);
        return true;
    }

private:
    static constexpr std::size_t kWindow = 4096;

    // Up to `size` bytes at `offset`; fewer only at the end of the file or on an error.
    std::size_t Fill(std::uint64_t offset, char* data, std::size_t size) const
    {
        std::size_t got = 0;
        while (got < size) {
            const ssize_t n = ::pread(m_fd, data + got, size - got, static_cast<off_t>(offset + got));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            got += static_cast<std::size_t>(n);
        }
        return got;
    }

    int m_fd;
    std::string m_window;
    std::uint64_t m_start = 0;
};

// Everything from a descriptor's current offset to its end.
std::string ReadAll(int fd)
{
    std::string bytes;
    char block[65536];
    for (;;) {
        const ssize_t n = ::read(fd, block, sizeof block);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return bytes;
        bytes.append(block, static_cast<std::size_t>(n));
    }
}

constexpr std::size_t kMaxFaiLine = std::size_t{64} * 1024;

std::optional<std::vector<FaiEntry>> ParseFai(const std::filesystem::path& fai)
{
    std::ifstream in(fai, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::vector<FaiEntry> entries;
    // A line is a record name and four numbers; a longer one means this is not an
    // index, and reading it whole would hold an unbounded line in memory.
    std::string buffer(kMaxFaiLine + 1, '\0');
    while (in.getline(buffer.data(), static_cast<std::streamsize>(buffer.size()))) {
        auto got = static_cast<std::size_t>(in.gcount());
        if (got > 0 && !in.eof())
            --got; // the newline getline took
        std::string_view line(buffer.data(), got);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.empty())
            continue;
        std::vector<std::string_view> fields;
        std::string_view rest = line;
        for (std::size_t tab; (tab = rest.find('\t')) != std::string_view::npos; rest.remove_prefix(tab + 1))
            fields.push_back(rest.substr(0, tab));
        fields.push_back(rest);
        if (fields.size() < 5)
            return std::nullopt;
        FaiEntry e;
        e.name = std::string(fields[0]);
        const auto length = WholeNumber<std::uint64_t>(fields[1]);
        const auto offset = WholeNumber<std::uint64_t>(fields[2]);
        const auto lineBases = WholeNumber<std::uint64_t>(fields[3]);
        const auto lineWidth = WholeNumber<std::uint64_t>(fields[4]);
        if (!length || !offset || !lineBases || !lineWidth || *lineWidth < *lineBases || *lineBases == 0)
            return std::nullopt;
        e.length = *length;
        e.offset = *offset;
        e.lineBases = *lineBases;
        e.lineWidth = *lineWidth;
        entries.push_back(std::move(e));
    }
    if (!in.eof())
        return std::nullopt; // a line longer than kMaxFaiLine
    return entries;
}

// Byte offset of base `b` (from 0) of a record.
std::uint64_t BaseByte(const FaiEntry& e, std::uint64_t b) noexcept
{
    return e.offset + b / e.lineBases * e.lineWidth + b % e.lineBases;
}

bool AllBlank(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return IsBlank(static_cast<unsigned char>(c)); });
}

// Empty when the entries agree with the file; otherwise what does not.
std::string Check(PieceReader& f, std::uint64_t size, const std::vector<FaiEntry>& entries,
                  std::vector<FastaRecord>& records)
{
    std::uint64_t previousEnd = 0;
    std::uint64_t tokens = 0;
    std::string text;
    for (const FaiEntry& e : entries) {
        const std::string where = "record " + e.name;
        if (e.offset < previousEnd || e.offset > size || e.offset - previousEnd > kMaxHeaderBytes)
            return where + ": offset " + std::to_string(e.offset) + " is not where its header ends";
        // The header: from the end of the record before to the first base.
        if (!f.ReadAt(previousEnd, static_cast<std::size_t>(e.offset - previousEnd), text))
            return where + ": header cannot be read";
        const std::size_t gt = text.find_first_not_of(" \t\r\n\v\f");
        if (gt == std::string::npos || text[gt] != '>' || text.back() != '\n')
            return where + ": no header line ends at offset " + std::to_string(e.offset);
        const std::string_view header = std::string_view(text).substr(gt + 1);
        if (HeaderName(header.substr(0, header.find_first_of("\r\n"))) != e.name)
            return where + ": the header at its offset names another record";
        tokens += CountTokens(text.data(), text.size());
        records.push_back(
            FastaRecord{std::string(header.substr(0, header.find_first_of("\r\n"))), true, tokens, e.length});
        tokens += e.length;

        // The first base, the first line end and the last base must be where the index says.
        std::uint64_t end = e.offset;
        if (e.length > 0) {
            const std::uint64_t last = BaseByte(e, e.length - 1);
            if (last >= size)
                return where + ": its bases run past the end of the file";
            // Looked at in file order, so that the reader's window serves the next look.
            std::string byte;
            const auto base = [&](std::uint64_t at) {
                return f.ReadAt(at, 1, byte) && !IsBlank(static_cast<unsigned char>(byte[0]));
            };
            if (!base(e.offset))
                return where + ": no base at byte " + std::to_string(e.offset);
            if (e.length > e.lineBases &&
                (!f.ReadAt(e.offset + e.lineBases, 1, byte) || (byte[0] != '\n' && byte[0] != '\r')))
                return where + ": lines are not " + std::to_string(e.lineBases) + " bases long";
            if (!base(last))
                return where + ": no base at byte " + std::to_string(last);
            end = std::min(size, last + 1 + (e.lineWidth - e.lineBases));
            if (!f.ReadAt(last + 1, static_cast<std::size_t>(end - last - 1), text) || !AllBlank(text))
                return where + ": its last line is longer than the index says";
        }
        previousEnd = end;
    }
    if (size - previousEnd > kMaxHeaderBytes ||
        !f.ReadAt(previousEnd, static_cast<std::size_t>(size - previousEnd), text) || !AllBlank(text))
        return "the file holds more than the index lists";
    return {};
}

} // namespace

FastaIndex::Jump FastaIndex::JumpTo(std::uint64_t skip) const noexcept
{
    // The last record whose first base lies at or before the wanted position.
    const auto it = std::upper_bound(records.begin(), records.end(), skip,
                                     [](std::uint64_t n, const FastaRecord& r) { return n < r.tokensBefore; });
    if (it == records.begin())
        return {};
    const auto k = static_cast<std::size_t>(it - records.begin()) - 1;
    const std::uint64_t b = std::min(skip - records[k].tokensBefore, records[k].bases);
    return {BaseByte(entries[k], b), records[k].tokensBefore + b};
}

IoResult<std::optional<FastaIndex>> LoadFastaIndex(const std::filesystem::path& file)
{
    const std::filesystem::path fai = file.string() + ".fai";
    std::error_code ec;
    if (!std::filesystem::is_regular_file(fai, ec) || IsGzipFile(file))
        return std::optional<FastaIndex>();
    const auto ignore = [&](const std::string& why) -> IoResult<std::optional<FastaIndex>> {
        return IoError::Plain(fai.string() + " does not agree with " + file.string() + " (" + why +
                              "); ignored, positions are counted from the file");
    };
    const auto fileTime = std::filesystem::last_write_time(file, ec);
    const auto faiTime = std::filesystem::last_write_time(fai, ec);
    if (ec)
        return std::optional<FastaIndex>();
    if (faiTime < fileTime)
        return ignore("the file was changed after it was indexed");
    const auto entries = ParseFai(fai);
    if (!entries)
        return ignore("not a FASTA index");
    const std::uintmax_t size = std::filesystem::file_size(file, ec);
    PieceReader f(file);
    if (ec || !f.IsOpen())
        return std::optional<FastaIndex>();
    FastaIndex index;
    index.entries = *entries;
    const std::string why = Check(f, size, index.entries, index.records);
    if (!why.empty())
        return ignore(why);
    return std::optional<FastaIndex>(std::move(index));
}

namespace {

// A file of this process by its descriptor: htslib opens it as a local file, whatever
// the user's name for it looks like (a name such as "data:x.fa" would otherwise be a URL).
std::string DescriptorName(int fd)
{
    return "/proc/self/fd/" + std::to_string(fd);
}

// Closes a descriptor when it goes out of scope.
struct Descriptor {
    int fd = -1;
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

// What one call into htslib printed on stderr, one line each, without printing it: htslib
// reports its reasons only there. The command line runs this on its one thread.
class LogCapture {
public:
    LogCapture() : m_level(hts_get_log_level())
    {
        m_stream = open_memstream(&m_text, &m_size);
        if (m_stream != nullptr) {
            std::fflush(stderr);
            m_saved = std::exchange(stderr, m_stream);
            hts_set_log_level(HTS_LOG_WARNING);
        }
    }
    ~LogCapture()
    {
        Stop();
        // The stream's buffer outlives the stream and is the caller's to free.
        std::free(m_text);
    }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    // The lines of one kind ('E' errors, 'W' warnings) without htslib's "[E::function] ".
    std::vector<std::string> Lines(char kind)
    {
        Stop();
        std::vector<std::string> lines;
        std::istringstream in(m_text != nullptr ? std::string(m_text, m_size) : std::string());
        const std::string prefix = std::string("[") + kind + "::";
        for (std::string line; std::getline(in, line);) {
            const std::size_t close = line.find("] ");
            if (line.starts_with(prefix) && close != std::string::npos)
                lines.push_back(line.substr(close + 2));
        }
        return lines;
    }

private:
    void Stop()
    {
        if (m_saved == nullptr)
            return;
        stderr = std::exchange(m_saved, nullptr);
        std::fclose(m_stream);
        hts_set_log_level(static_cast<htsLogLevel>(m_level));
    }

    int m_level;
    std::FILE* m_stream = nullptr;
    std::FILE* m_saved = nullptr;
    char* m_text = nullptr;
    std::size_t m_size = 0;
};

} // namespace

IoResult<std::vector<std::string>> WriteFastaIndex(const std::filesystem::path& file)
{
    IoResult<std::unique_ptr<ByteSource>> source = OpenByteSource(file);
    if (!source)
        return source.error();
    const std::string kind = source.value()->Kind();
    if (kind == "gzip")
        return IoError::Content(file, 0, "a plain gzip file cannot be indexed; recompress it with bgzip");
    char first = 0;
    const bool empty = source.value()->Read(&first, 1) == 0 && source.value()->Status().ok();
    source.value().reset();

    // htslib writes into memory files, which are then put in place as every output is:
    // staged and renamed, a link at the name replaced, the old index kept on failure.
    Descriptor in{::open(file.c_str(), O_RDONLY | O_CLOEXEC)};
    Descriptor fai{::memfd_create("fai", MFD_CLOEXEC)};
    Descriptor gzi{::memfd_create("gzi", MFD_CLOEXEC)};
    if (in.fd < 0 || fai.fd < 0 || gzi.fd < 0)
        return IoError::FromErrno(in.fd < 0 ? file : std::filesystem::path(), errno, "cannot index");
    std::vector<std::string> warnings;
    // An empty file has no records: its index is empty, as samtools faidx writes it.
    if (!empty) {
        LogCapture log;
        const int built =
            fai_build3(DescriptorName(in.fd).c_str(), DescriptorName(fai.fd).c_str(), DescriptorName(gzi.fd).c_str());
        const std::vector<std::string> errors = log.Lines('E');
        warnings = log.Lines('W');
        if (built != 0) {
            std::string why = errors.empty() ? "not a FASTA file that can be indexed" : errors.back();
            // The memory files by the names they stand for.
            for (const auto& [fd, suffix] : {std::pair{fai.fd, ".fai"}, std::pair{gzi.fd, ".gzi"}})
                for (std::size_t at; (at = why.find(DescriptorName(fd))) != std::string::npos;)
                    why.replace(at, DescriptorName(fd).size(), file.string() + suffix);
            return IoError::Content(file, 0, why);
        }
    }
    const auto put = [&](int fd, const std::string& suffix) -> IoStatus {
        std::string bytes;
        if (::lseek(fd, 0, SEEK_SET) == 0)
            bytes = ReadAll(fd);
        if (empty && suffix == ".gzi")
            bytes.assign(8, '\0'); // no blocks to list
        OutputFile out(file.string() + suffix);
        out.Write(bytes);
        return out.Close();
    };
    if (kind == "BGZF")
        if (IoStatus written = put(gzi.fd, ".gzi"); !written)
            return written.error();
    if (IoStatus written = put(fai.fd, ".fai"); !written)
        return written.error();
    return warnings;
}

} // namespace lirovane
