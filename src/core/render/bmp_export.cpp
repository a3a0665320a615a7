#include "core/render/bmp_export.h"

#include "core/render/canvas.h"
#include "core/render/raster_canvas.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <string>
#include <system_error>
#include <utility>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lirovane {

namespace {

constexpr std::uint32_t kFileHeaderSize = 14;
constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::uint64_t kMaxFileSize = std::numeric_limits<std::uint32_t>::max();
constexpr std::size_t kWriteChunk = std::size_t{1} << 20;

void Put16(std::uint8_t* p, std::uint32_t v) noexcept
{
    p[0] = static_cast<std::uint8_t>(v & 0xFFu);
    p[1] = static_cast<std::uint8_t>((v >> 8) & 0xFFu);
}

void Put32(std::uint8_t* p, std::uint32_t v) noexcept
{
    Put16(p, v & 0xFFFFu);
    Put16(p + 2, v >> 16);
}

std::uint32_t Get16(const std::uint8_t* p) noexcept
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8);
}

std::uint32_t Get32(const std::uint8_t* p) noexcept
{
    return Get16(p) | (Get16(p + 2) << 16);
}

bool SupportedDepth(int bits) noexcept
{
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

std::uint32_t TableEntries(int bits) noexcept
{
    return bits <= 8 ? (1u << bits) : 0u;
}

// `p` points at 40 zeroed bytes.
void FillInfoHeader(std::uint8_t* p, int width, int height, int bits, std::uint32_t imageSize) noexcept
{
    Put32(p + 0, kInfoHeaderSize);
    Put32(p + 4, static_cast<std::uint32_t>(width));
    Put32(p + 8, static_cast<std::uint32_t>(height)); // positive: bottom row first
    Put16(p + 12, 1);
    Put16(p + 14, static_cast<std::uint32_t>(bits));
    Put32(p + 16, kBiRgb);
    Put32(p + 20, imageSize);
    // Pels per metre, colours used and important colours stay 0.
}

std::array<std::uint8_t, kFileHeaderSize> FileHeader(std::uint64_t blockSize, std::uint32_t offBits) noexcept
{
    std::array<std::uint8_t, kFileHeaderSize> h{};
    Put16(h.data(), 0x4D42u); // "BM"
    Put32(h.data() + 2, static_cast<std::uint32_t>(blockSize + kFileHeaderSize));
    Put32(h.data() + 10, offBits);
    return h;
}

// Writes next to the target under a hidden temporary name and renames it over the
// target only when every byte is on disk, so a failed write never leaves a file that
// looks complete and an existing file is replaced whole or not at all. A link is
// followed, so the file it names is replaced and the link stays; an existing file
// keeps its permissions. Where the folder takes no new file but the existing file is
// writable, the file is written in place, as a plain truncating write would.
//
// A batch writes thousands of these: one lstat of the target, then create, write,
// close and rename; fchmod only when a file was there before.
class StagedFile {
public:
    explicit StagedFile(const std::filesystem::path& target) : m_target(target)
    {
        struct stat existing {};
        bool exists = ::lstat(m_target.c_str(), &existing) == 0;
        if (exists && S_ISLNK(existing.st_mode)) {
            std::error_code error;
            const std::filesystem::path resolved = std::filesystem::weakly_canonical(target, error);
            if (!error)
                m_target = resolved;
            exists = ::stat(m_target.c_str(), &existing) == 0;
        }
        const bool regular = exists && S_ISREG(existing.st_mode);

        static std::atomic<unsigned> counter{0};
        const auto tick = std::chrono::steady_clock::now().time_since_epoch().count();
        std::string name = ".";
        name += m_target.filename().string().substr(0, 100); // leave room under the name limit
        name += '.';
        name += std::to_string(static_cast<unsigned long long>(tick));
        name += '-';
        name += std::to_string(counter.fetch_add(1, std::memory_order_relaxed));
        name += ".part";
        m_temp = m_target;
        m_temp.replace_filename(name);
        m_fd = ::open(m_temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (m_fd >= 0) {
            if (regular)
                static_cast<void>(::fchmod(m_fd, existing.st_mode & 07777));
        } else if (regular) {
            m_fd = ::open(m_target.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
            m_direct = m_fd >= 0;
        }
    }
    ~StagedFile()
    {
        if (m_committed)
            return;
        if (m_fd >= 0)
            ::close(m_fd);
        // A failed write leaves no file behind, not even a truncated original.
        if (m_fd >= 0 || m_direct)
            ::unlink((m_direct ? m_target : m_temp).c_str());
    }
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;

    bool IsOpen() const { return m_fd >= 0; }

    bool Write(const std::uint8_t* data, std::size_t size)
    {
        constexpr std::size_t kMaxChunk = std::size_t{1} << 30;
        while (size > 0 && m_ok) {
            const ssize_t n = ::write(m_fd, data, std::min(size, kMaxChunk));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                m_ok = false;
                break;
            }
            data += n;
            size -= static_cast<std::size_t>(n);
        }
        return m_ok;
    }

    bool Commit()
    {
        const int fd = std::exchange(m_fd, -1);
        if (::close(fd) != 0)
            m_ok = false;
        if (!m_ok) {
            ::unlink((m_direct ? m_target : m_temp).c_str());
            return false;
        }
        if (m_direct || ::rename(m_temp.c_str(), m_target.c_str()) == 0) {
            m_committed = true;
            return true;
        }
        ::unlink(m_temp.c_str());
        return false;
    }

private:
    std::filesystem::path m_target;
    std::filesystem::path m_temp;
    int m_fd = -1;
    bool m_ok = true;
    bool m_committed = false;
    bool m_direct = false;
};

// A name that holds a wildcard is not a file name the user meant.
bool AcceptableName(const std::filesystem::path& file)
{
    const std::string name = file.filename().string();
    return !name.empty() && name.find_first_of("*?") == std::string::npos;
}

// The raster canvas is written row by row straight from its pixels, without the two
// full-size copies that capture and conversion would make: same bytes, bounded memory.
bool SaveRaster(const std::filesystem::path& file, const RasterCanvas& canvas, int width, int height)
{
    const std::uint64_t stride = static_cast<std::uint64_t>(DibStride(width, 24));
    const std::uint64_t imageSize = stride * static_cast<std::uint64_t>(height);
    if (imageSize + kInfoHeaderSize + kFileHeaderSize > kMaxFileSize)
        return false;

    std::array<std::uint8_t, kFileHeaderSize + kInfoHeaderSize> head{};
    const auto fileHeader = FileHeader(kInfoHeaderSize + imageSize, kFileHeaderSize + kInfoHeaderSize);
    std::copy(fileHeader.begin(), fileHeader.end(), head.begin());
    FillInfoHeader(head.data() + kFileHeaderSize, width, height, 24, static_cast<std::uint32_t>(imageSize));

    StagedFile out(file);
    if (!out.IsOpen())
        return false;

    // Header and rows go out through one buffer of at most 1 MiB: a small picture is a
    // single write. Only the padding bytes are cleared, never the whole buffer.
    const std::size_t srcStride = static_cast<std::size_t>(canvas.Width()) * 3u;
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 3u;
    const std::size_t padding = static_cast<std::size_t>(stride) - rowBytes;
    const std::size_t total = head.size() + static_cast<std::size_t>(imageSize);
    const std::size_t bufferSize = std::min(total, std::max<std::size_t>(kWriteChunk, head.size() + stride));
    const auto buffer = std::make_unique_for_overwrite<std::uint8_t[]>(bufferSize);
    std::memcpy(buffer.get(), head.data(), head.size());
    std::size_t filled = head.size();
    for (int y = height - 1; y >= 0; --y) {
        if (filled + stride > bufferSize) {
            if (!out.Write(buffer.get(), filled))
                return false;
            filled = 0;
        }
        std::uint8_t* row = buffer.get() + filled;
        std::memcpy(row, canvas.Data().data() + srcStride * static_cast<std::size_t>(y), rowBytes);
        std::memset(row + rowBytes, 0, padding);
        filled += stride;
    }
    if (!out.Write(buffer.get(), filled))
        return false;
    return out.Commit();
}

} // namespace

std::int64_t DibStride(std::int64_t width, int bitsPerPixel) noexcept
{
    return ((width * bitsPerPixel + 31) / 32) * 4;
}

std::optional<DibBlock> CaptureToDib(const BitmapPixels& bitmap, std::uint32_t compression,
                                     const std::vector<std::uint32_t>* palette)
{
    // Only uncompressed output is made; bit fields (3) in particular are refused.
    if (compression != kBiRgb)
        return std::nullopt;
    const int bits = bitmap.bitsPerPixel;
    if (bitmap.width <= 0 || bitmap.height <= 0 || !SupportedDepth(bits))
        return std::nullopt;

    const std::uint64_t width = static_cast<std::uint64_t>(bitmap.width);
    const std::uint64_t height = static_cast<std::uint64_t>(bitmap.height);
    const std::uint64_t rowBits = width * static_cast<std::uint64_t>(bits);
    const std::uint64_t rowBytes = (rowBits + 7) / 8;
    const std::uint64_t srcStride = bitmap.stride > 0 ? static_cast<std::uint64_t>(bitmap.stride) : 0;
    // Refuse pixels that do not hold every row they claim.
    if (srcStride < rowBytes || bitmap.data.size() < srcStride * (height - 1) + rowBytes)
        return std::nullopt;

    const std::uint64_t stride = static_cast<std::uint64_t>(DibStride(bitmap.width, bits));
    const std::uint64_t imageSize = stride * height;
    const std::uint32_t entries = TableEntries(bits);
    const std::uint64_t tableBytes = 4u * std::uint64_t{entries};
    const std::uint64_t blockSize = kInfoHeaderSize + tableBytes + imageSize;
    if (blockSize + kFileHeaderSize > kMaxFileSize)
        return std::nullopt;

    DibBlock block;
    try {
        block.assign(static_cast<std::size_t>(blockSize), 0);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
    FillInfoHeader(block.data(), bitmap.width, bitmap.height, bits, static_cast<std::uint32_t>(imageSize));

    // Colour table: blue, green, red, 0 per entry; a grey ramp without a palette.
    std::uint8_t* table = block.data() + kInfoHeaderSize;
    for (std::uint32_t i = 0; i < entries; ++i) {
        Color c = 0;
        if (palette != nullptr)
            c = i < palette->size() ? (*palette)[i] : 0u;
        else {
            const auto level = static_cast<std::uint8_t>(i * 255u / (entries - 1u));
            c = MakeColor(level, level, level);
        }
        table[4 * i + 0] = BlueOf(c);
        table[4 * i + 1] = GreenOf(c);
        table[4 * i + 2] = RedOf(c);
    }

    // Rows bottom row first; bits past the last pixel and the padding are 0.
    std::uint8_t* rows = table + tableBytes;
    const unsigned spareBits = static_cast<unsigned>(rowBytes * 8 - rowBits);
    const auto lastMask = static_cast<std::uint8_t>(0xFFu << spareBits);
    for (std::uint64_t y = 0; y < height; ++y) {
        std::uint8_t* dst = rows + stride * (height - 1 - y);
        std::memcpy(dst, bitmap.data.data() + srcStride * y, static_cast<std::size_t>(rowBytes));
        if (spareBits != 0)
            dst[rowBytes - 1] &= lastMask;
    }
    return block;
}

bool WriteBitmapFile(const std::filesystem::path& file, const DibBlock* block)
{
    if (block == nullptr || block->size() < kInfoHeaderSize || block->size() + kFileHeaderSize > kMaxFileSize)
        return false;
    if (!AcceptableName(file))
        return false;
    const std::uint32_t biSize = Get32(block->data());
    const int bits = static_cast<int>(Get16(block->data() + 14));
    const std::uint32_t offBits = kFileHeaderSize + biSize + 4u * TableEntries(bits);

    StagedFile out(file);
    if (!out.IsOpen())
        return false;
    const auto header = FileHeader(block->size(), offBits);
    if (!out.Write(header.data(), header.size()) || !out.Write(block->data(), block->size()))
        return false;
    return out.Commit();
}

bool SaveImage(const std::filesystem::path& file, const Canvas& source, int width, int height)
{
    if (width <= 0 || height <= 0 || !AcceptableName(file))
        return false;
    if (const auto* raster = dynamic_cast<const RasterCanvas*>(&source);
        raster != nullptr && width <= raster->Width() && height <= raster->Height())
        return SaveRaster(file, *raster, width, height);

    const std::optional<BitmapPixels> pixels = source.ReadBitmap(width, height);
    if (!pixels)
        return false;
    const std::optional<DibBlock> block = CaptureToDib(*pixels, kBiRgb);
    if (!block)
        return false;
    return WriteBitmapFile(file, &*block);
}

} // namespace lirovane
