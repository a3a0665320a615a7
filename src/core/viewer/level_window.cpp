#include "core/viewer/level_window.h"

#include "core/render/canvas.h"
#include "core/render/scaled_walk.h"
#include "core/sequence/fasta_records.h"
#include "core/sequence/token_offset_index.h"
#include "core/sequence/token_reader.h"

#include <algorithm>
#include <limits>
#include <memory>

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

// A window's walk at one level while it is fitted: the scaled walk, the frame over
// its pixel moves, and the window so far.
struct WindowWalk {
    ScaledWalk walk;
    PixelFrame frame;
    LevelWindow window;
    std::size_t keep = kMaxKeptMoves; // moves kept at most
    bool broke = false;

    WindowWalk(const WalkKernel& kernel, std::int64_t level) : walk(kernel, level) {}

    // Takes a pixel move; false, for good, once it breaks the frame.
    bool Move(DirectionSlot slot)
    {
        if (!frame.Move(slot))
            return !(broke = true);
        if (window.kept && window.moves.size() == keep)
            window.kept = false, std::vector<DirectionSlot>().swap(window.moves);
        if (window.kept)
            window.moves.push_back(slot);
        return true;
    }

    // Walks `text`, which holds `tokens` tokens, on from where the walk stands.
    void Feed(std::string_view text, std::uint64_t tokens)
    {
        const std::size_t at = walk.Feed(text, [this](DirectionSlot slot) { return Move(slot); });
        window.tokens += broke ? CountTokens(text.data(), at) : tokens;
        window.found = true;
    }

    // Reads on from `reader` until the frame breaks, the file ends or `stop` says so.
    void FeedRest(TokenReader& reader, const StopCheck& stop)
    {
        std::uint64_t tokens = 0;
        for (std::string_view text; !broke;) {
            if (stop && stop()) {
                window.stopped = true;
                return;
            }
            if ((text = reader.ReadText(kAll, tokens)).empty())
                return;
            Feed(text, tokens);
        }
    }

    LevelWindow Finish()
    {
        window.startX = ClampToInt(5 - frame.minX);
        window.startY = ClampToInt(5 - frame.minY);
        return std::move(window);
    }
};

} // namespace

IoResult<LevelWindow> FitLevelWindow(const std::filesystem::path& file, std::int64_t start, std::int64_t level,
                                     const LetterTable& table, const StopCheck& stop)
{
    TokenReader reader;
    bool reached = false;
    if (IoStatus status = OpenAt(reader, file, start, reached); !status)
        return status.error();
    const WalkKernel kernel(table);
    WindowWalk walk(kernel, level);
    if (reached)
        walk.FeedRest(reader, stop);
    if (!reader.Status().ok())
        return reader.Status().error();
    return walk.Finish();
}

namespace {

// The pixel moves of one block at every level still in the frame, the pen having
// walked (x, y) from the record's start. The levels are powers of two from the finest
// up, so each pixel lies within the pixels of all coarser levels: a block that stays
// within its pixel at the finest level stays within at all, as most blocks do.
void MoveLevels(const WalkKernel& kernel, const unsigned char* block, const BlockMoves& m, std::int64_t x,
                std::int64_t y, std::vector<std::unique_ptr<WindowWalk>>& levels)
{
    bool finest = true;
    for (auto& level : levels) {
        if (level->broke)
            continue;
        std::int64_t restX = x & (level->walk.Scale() - 1);
        std::int64_t restY = y & (level->walk.Scale() - 1);
        if (m.StaysWithin(restX, restY, level->walk.Scale())) {
            if (finest)
                return;
            continue;
        }
        finest = false;
        std::uint16_t at[WalkKernel::kBlock];
        const std::size_t n = kernel.Crossings(block, &m, 1, level->walk.Scale(), restX, restY, at);
        for (std::size_t j = 0; j < n && level->Move(kernel.SlotOf(block[at[j]])); ++j) {
        }
    }
}

// Walks a record's text at every level still in the frame, sharing the kernel's reach
// of its blocks; a level whose frame breaks drops out.
void WalkLevels(std::string_view text, const WalkKernel& kernel, WalkBounds& bounds,
                std::vector<std::unique_ptr<WindowWalk>>& levels)
{
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    constexpr std::size_t kBlock = WalkKernel::kBlock;
    WindowReach window;
    std::size_t i = 0;
    for (; n - i >= kBlock; i += window.count * kBlock) {
        kernel.Reach(p + i, std::min(WindowReach::kMost, (n - i) / kBlock), window);
        const std::int64_t x = bounds.x, y = bounds.y;
        TakeWindow(kernel, p + i, window, bounds,
                   [&bounds](const BlockMoves& m, std::size_t, std::int64_t atX, std::int64_t atY) {
                       bounds.Extend(m, atX, atY);
                   });
        for (std::size_t b = 0; b < window.count; ++b)
            MoveLevels(kernel, p + i + b * kBlock, window.Moves(b), x + window.start[0][b], y + window.start[1][b],
                       levels);
    }
    for (auto& level : levels)
        if (!level->broke) {
            level->walk.Place(bounds.x, bounds.y);
            level->walk.Feed(text.substr(i), [&level](DirectionSlot s) { return level->Move(s); });
        }
    bounds.Take(kernel.WalkBytes(p + i, n - i));
    std::erase_if(levels, [](const auto& level) { return level->broke; });
}

} // namespace

IoResult<RecordFit> FitWholeRecord(const std::filesystem::path& file, const FastaRecord& record,
                                   const LetterTable& table, const StopCheck& stop)
{
    TokenReader reader(kReadAheadBlockSize); // read ahead on a second thread
    bool reached = false;
    if (IoStatus status = OpenAt(reader, file, static_cast<std::int64_t>(record.tokensBefore), reached); !status)
        return status.error();
    const WalkKernel kernel(table);
    // Every level up to one at which even a straight walk of all the bases fits.
    std::vector<std::unique_ptr<WindowWalk>> levels;
    for (std::int64_t k = 2;
         levels.empty() || levels.back()->walk.Scale() * 300 <= static_cast<std::int64_t>(record.bases) + 600; k *= 2) {
        levels.push_back(std::make_unique<WindowWalk>(kernel, k));
        levels.back()->keep = kMaxKeptMoves / 8; // several are kept at once
    }
    RecordFit fit;
    // Read ahead on a second thread while the levels walk the piece before.
    TakeText(reader, reached ? record.bases : 0, [&](std::string_view text, std::uint64_t) {
        if (stop && stop())
            return false;
        WalkLevels(text, kernel, fit.bounds, levels);
        return true;
    });
    if (!reader.Status().ok())
        return reader.Status().error();
    fit.level = FittingLevel(fit.bounds, record.bases);
    if (stop && stop()) {
        fit.window.stopped = true;
        return fit;
    }
    if (fit.level == 1 || levels.empty())
        return fit;
    // The first level still in the frame: its window goes on past the record while it fits.
    WindowWalk& chosen = *levels.front();
    chosen.walk.Place(fit.bounds.x, fit.bounds.y);
    fit.level = chosen.walk.Scale();
    chosen.window.tokens = record.bases;
    chosen.window.found = record.bases > 0;
    chosen.FeedRest(reader, stop);
    fit.window = chosen.Finish();
    return fit;
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
