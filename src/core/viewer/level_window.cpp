#include "core/viewer/level_window.h"

#include "core/render/canvas.h"
#include "core/render/scaled_walk.h"
#include "core/sequence/fasta_records.h"
#include "core/sequence/token_offset_index.h"
#include "core/sequence/token_reader.h"

#include <algorithm>
#include <limits>

namespace lirovane {

namespace {

// Moves kept per window for a redraw in new colours: one byte each, 32 MB at most.
constexpr std::size_t kMaxKeptMoves = std::size_t{32} << 20;
constexpr std::uint64_t kAll = std::numeric_limits<std::uint64_t>::max();

std::int64_t FloorDiv(std::int64_t a, std::int64_t k) noexcept
{
    return a / k - (a % k != 0 && a < 0 ? 1 : 0);
}

int ClampToInt(std::int64_t v) noexcept
{
    return static_cast<int>(
        std::clamp<std::int64_t>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

// The viewer's frame over pixel moves: extremes start at 1, a step is one pixel.
struct PixelFrame {
    std::int64_t x = 0, y = 0, minX = 1, maxX = 1, minY = 1, maxY = 1;

    // Takes a move; false once the walk no longer fits.
    bool Move(DirectionSlot slot) noexcept
    {
        switch (slot) {
        case DirectionSlot::Left: minX = std::min(minX, --x); break;
        case DirectionSlot::Up: minY = std::min(minY, --y); break;
        case DirectionSlot::Down: maxY = std::max(maxY, ++y); break;
        case DirectionSlot::Right: maxX = std::max(maxX, ++x); break;
        case DirectionSlot::None: break;
        }
        return FitsViewerFrame(maxX - minX, maxY - minY, 1);
    }
};

// Opens `file` and passes over `start` tokens; false (with the reader's status) when
// the file cannot be read or ends first.
IoStatus OpenAt(TokenReader& reader, const std::filesystem::path& file, std::int64_t start, bool& reached)
{
    if (IoStatus opened = reader.Open(file); !opened)
        return opened;
    const auto want = static_cast<std::uint64_t>(std::max<std::int64_t>(start, 0));
    reached = TokenOffsetIndex::Global().SkipFromStart(reader, file, want) == want;
    return reader.Status();
}

} // namespace

IoResult<LevelWindow> FitLevelWindow(const std::filesystem::path& file, std::int64_t start, std::int64_t level,
                                     const LetterTable& table, const StopCheck& stop)
{
    LevelWindow window;
    TokenReader reader;
    bool reached = false;
    if (IoStatus status = OpenAt(reader, file, start, reached); !status)
        return status.error();
    const WalkKernel kernel(table);
    ScaledWalk walk(kernel, level);
    PixelFrame frame;
    bool broke = false;
    const auto move = [&](DirectionSlot slot) {
        if (!frame.Move(slot))
            return !(broke = true);
        if (window.kept && window.moves.size() == kMaxKeptMoves)
            window.kept = false, std::vector<DirectionSlot>().swap(window.moves);
        if (window.kept)
            window.moves.push_back(slot);
        return true;
    };
    std::uint64_t tokens = 0;
    for (std::string_view text; reached;) {
        if (stop && stop()) {
            window.stopped = true;
            break;
        }
        if ((text = reader.ReadText(kAll, tokens)).empty())
            break;
        const std::size_t at = walk.Feed(text, move);
        window.tokens += broke ? CountTokens(text.data(), at) : tokens;
        window.found = true;
        if (broke)
            break;
    }
    if (!reader.Status().ok())
        return reader.Status().error();
    window.startX = ClampToInt(5 - frame.minX);
    window.startY = ClampToInt(5 - frame.minY);
    return window;
}

bool DrawLevelWindow(const std::filesystem::path& file, std::int64_t start, const LevelWindow& window,
                     std::int64_t level, const PathStyle& style, Canvas& screen, Canvas& image, const StopCheck& stop)
{
    screen.FillRect(0, 0, kViewerWidth, kViewerHeight, StockBrush::White);
    image.FillRect(0, 0, kViewerWidth, kViewerHeight, StockBrush::White);
    PathPen pen(style, 1, screen, &image);
    pen.Start(window.startX, window.startY);
    if (window.kept) {
        for (const DirectionSlot slot : window.moves)
            pen.Move(slot);
        pen.Flush();
        return true;
    }
    TokenReader reader;
    bool reached = false;
    if (!OpenAt(reader, file, start, reached).ok() || !reached)
        return true;
    const WalkKernel kernel(style.letters);
    ScaledWalk walk(kernel, level);
    const auto move = [&pen](DirectionSlot slot) {
        pen.Move(slot);
        return true;
    };
    std::uint64_t tokens = 0;
    for (std::uint64_t left = window.tokens; left > 0; left -= tokens) {
        const std::string_view text = reader.ReadText(left, tokens);
        if (text.empty() || (stop && stop()))
            break;
        walk.Feed(text, move);
    }
    pen.Flush();
    return !(stop && stop());
}

IoResult<WalkBounds> RecordBounds(const std::filesystem::path& file, const FastaRecord& record,
                                  const LetterTable& table, const StopCheck& stop)
{
    TokenReader reader;
    bool reached = false;
    if (IoStatus status = OpenAt(reader, file, static_cast<std::int64_t>(record.tokensBefore), reached); !status)
        return status.error();
    const WalkKernel kernel(table);
    WalkBounds bounds;
    std::uint64_t tokens = 0;
    for (std::uint64_t left = reached ? record.bases : 0; left > 0; left -= tokens) {
        const std::string_view text = reader.ReadText(left, tokens);
        if (text.empty() || (stop && stop()))
            break;
        bounds.Add(text, kernel);
    }
    if (!reader.Status().ok())
        return reader.Status().error();
    return bounds;
}

std::int64_t FittingLevel(const WalkBounds& b, std::uint64_t letters)
{
    // The pixel walk's extremes are the unit extremes scaled down, within the frame's
    // extremes that start at 1: a bound that holds, so the record fits at the level found.
    const auto fits = [&b](std::int64_t k) {
        const std::int64_t spanX =
            std::max<std::int64_t>(1, FloorDiv(b.maxX, k)) - std::min<std::int64_t>(1, FloorDiv(b.minX, k));
        const std::int64_t spanY =
            std::max<std::int64_t>(1, FloorDiv(b.maxY, k)) - std::min<std::int64_t>(1, FloorDiv(b.minY, k));
        return FitsViewerFrame(spanX, spanY, 1);
    };
    if (letters <= static_cast<std::uint64_t>(kViewerMaxLetters) && fits(1))
        return 1;
    std::int64_t level = 2;
    while (!fits(level) && level < (std::int64_t{1} << 61))
        level *= 2;
    return level;
}

std::string LevelName(std::int64_t level)
{
    return "1:" + std::to_string(level);
}

} // namespace lirovane
