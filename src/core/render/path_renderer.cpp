#include "core/render/path_renderer.h"

#include "core/render/canvas.h"
#include "core/render/letter_source.h"
#include "core/render/raster_canvas.h"
#include "core/render/read_ahead.h"
#include "core/render/scaled_walk.h"
#include "core/render/walk_kernel.h"

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <limits>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace lirovane {

namespace {

constexpr int kPictureMargin = 20;
constexpr int kViewerMargin = 5;
constexpr int kPenWidth = 2;

std::int64_t FloorDiv(std::int64_t a, std::int64_t k) noexcept
{
    std::int64_t q = a / k;
    if (a % k != 0 && a < 0)
        --q;
    return q;
}

int ClampToInt(std::int64_t v) noexcept
{
    return static_cast<int>(
        std::clamp<std::int64_t>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

// The picture variant's extremes start at -1 and 1.
struct Extremes {
    std::int64_t minX = -1;
    std::int64_t maxX = 1;
    std::int64_t minY = -1;
    std::int64_t maxY = 1;
};

std::int64_t ScaledSpan(const Extremes& e, std::int64_t k) noexcept
{
    return FloorDiv(e.maxX, k) - FloorDiv(e.minX, k) + FloorDiv(e.maxY, k) - FloorDiv(e.minY, k) +
           4 * std::int64_t{kPictureMargin};
}

} // namespace

PathPen::PathPen(const PathStyle& style, std::int64_t step, Canvas& first, Canvas* second) noexcept
    : m_style(style), m_step(step), m_first(first), m_second(second)
{
}

void PathPen::Start(int x, int y)
{
    m_x = x;
    m_y = y;
    m_first.MoveTo(x, y);
    if (m_second != nullptr)
        m_second->MoveTo(x, y);
}

void PathPen::Flush()
{
    if (m_moves == 0)
        return;
    const std::int64_t length = m_moves * m_step;
    switch (m_slot) {
    case DirectionSlot::Left: m_x -= length; break;
    case DirectionSlot::Up: m_y -= length; break;
    case DirectionSlot::Down: m_y += length; break;
    case DirectionSlot::Right: m_x += length; break;
    case DirectionSlot::None: break;
    }
    m_moves = 0;
    const Color color = m_style.ColorOf(m_slot);
    const int x = ClampToInt(m_x);
    const int y = ClampToInt(m_y);
    m_first.SelectPen(kPenWidth, color);
    m_first.LineTo(x, y);
    if (m_second != nullptr) {
        m_second->SelectPen(kPenWidth, color);
        m_second->LineTo(x, y);
        m_second->ReleasePen();
    }
    m_first.ReleasePen();
}

PathExtent MeasurePath(std::string_view stretch, const PathStyle& style)
{
    StringLetters letters(stretch);
    return MeasurePath(letters, style);
}

PathExtent MeasurePath(LetterSource& letters, const PathStyle& style)
{
    if (const WalkBounds* known = letters.KnownBounds())
        return PictureExtent(*known);
    const WalkKernel kernel(style.letters);
    WalkBounds walk;
    if (letters.Rewind())
        for (std::string_view piece = letters.Next(); !piece.empty(); piece = letters.Next())
            walk.Add(piece, kernel);
    return PictureExtent(walk);
}

PathExtent PictureExtent(const WalkBounds& walk)
{
    const Extremes e{std::min<std::int64_t>(walk.minX, -1), std::max<std::int64_t>(walk.maxX, 1),
                     std::min<std::int64_t>(walk.minY, -1), std::max<std::int64_t>(walk.maxY, 1)};

    std::int64_t k = 1;
    if (ScaledSpan(e, 1) > kMaxPictureSpan) {
        // Each axis shrinks to at least span / k - 1, so this start never skips the answer.
        const std::int64_t span = (e.maxX - e.minX) + (e.maxY - e.minY);
        k = std::max<std::int64_t>(2, span / (kMaxPictureSpan - 4 * kPictureMargin + 2));
        while (ScaledSpan(e, k) > kMaxPictureSpan)
            ++k;
    }

    PathExtent extent;
    extent.width = static_cast<int>(FloorDiv(e.maxX, k) - FloorDiv(e.minX, k) + 2 * std::int64_t{kPictureMargin});
    extent.height = static_cast<int>(FloorDiv(e.maxY, k) - FloorDiv(e.minY, k) + 2 * std::int64_t{kPictureMargin});
    extent.startX = static_cast<int>(kPictureMargin - FloorDiv(e.minX, k));
    extent.startY = static_cast<int>(kPictureMargin - FloorDiv(e.minY, k));
    extent.scale = static_cast<int>(std::min<std::int64_t>(k, std::numeric_limits<int>::max()));
    return extent;
}

void DrawPath(std::string_view stretch, const PathExtent& extent, const PathStyle& style, Canvas& canvas)
{
    StringLetters letters(stretch);
    DrawPath(letters, extent, style, canvas);
}

namespace {

// The walk over `letters` at the extent's scale, drawn with `drawer`.
template <typename Pen>
void WalkPen(LetterSource& letters, const PathExtent& extent, const WalkKernel& kernel, Pen& drawer)
{
    drawer.Start(extent.startX, extent.startY);
    if (!letters.Rewind())
        return;
    // Scaled or not, one rule: the pen moves a pixel where floor(walk / scale) changes.
    ScaledWalk walk(kernel, extent.scale);
    const auto move = [&drawer](DirectionSlot slot) {
        drawer.Move(slot);
        return true;
    };
    if (letters.KnownBounds() != nullptr) {
        // A long stretch read again from where it lies: read ahead on a second thread.
        ReadAhead ahead(letters);
        for (std::string_view piece = ahead.Next(); !piece.empty(); piece = ahead.Next())
            walk.Feed(piece, move);
    } else {
        for (std::string_view piece = letters.Next(); !piece.empty(); piece = letters.Next())
            walk.Feed(piece, move);
    }
    drawer.Flush();
}

// The picture's pen on the batch's surface: each move stamps the square pen at both
// its ends in its colour. That covers exactly the pixels of the lines PathPen draws
// for runs of moves, in the same order, without a line per run. A move's end stamp is
// the next move's start stamp over again, which covers it whole, so only the last
// move's end is stamped, by Flush.
class StampingPen {
public:
    StampingPen(const PathStyle& style, RasterCanvas& canvas) noexcept : m_style(style), m_canvas(canvas) {}
    void Start(int x, int y)
    {
        m_x = x;
        m_y = y;
    }
    void Move(DirectionSlot slot)
    {
        m_color = m_style.ColorOf(slot);
        m_moved = true;
        m_canvas.Stamp(m_x, m_y, m_color);
        m_x += slot == DirectionSlot::Left ? -1 : slot == DirectionSlot::Right ? 1 : 0;
        m_y += slot == DirectionSlot::Up ? -1 : slot == DirectionSlot::Down ? 1 : 0;
    }
    void Flush()
    {
        if (m_moved)
            m_canvas.Stamp(m_x, m_y, m_color);
    }

private:
    const PathStyle& m_style;
    RasterCanvas& m_canvas;
    std::int64_t m_x = 0;
    std::int64_t m_y = 0;
    Color m_color = 0;
    bool m_moved = false;
};

// The walk over one part of a stretch, from where the walk stands as it starts (x, y
// steps from the stretch's start), calling move(slot) for every pen move. False when
// the part could not be read to its end.
template <typename Move>
bool WalkPart(LetterSource& part, const WalkKernel& kernel, std::int64_t scale, std::int64_t x, std::int64_t y,
              Move&& move)
{
    ScaledWalk walk(kernel, scale);
    walk.Place(x, y);
    if (part.Rewind())
        for (std::string_view piece = part.Next(); !piece.empty(); piece = part.Next())
            walk.Feed(piece, move);
    return !part.Failed();
}

// At most this many pen moves of a second part are kept while the first is drawn; the
// second part then waits for it.
constexpr std::size_t kKeptMoves = std::size_t{4} << 20;

// Whether the first part of a stretch drawn in parts is drawn yet, and was read whole.
class FirstPart {
public:
    // Waits until it is drawn; false when it could not be read.
    bool Await()
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_drawn; });
        return m_read;
    }
    void Drawn(bool read)
    {
        {
            std::lock_guard lock(m_mutex);
            m_drawn = true;
            m_read = read;
        }
        m_changed.notify_all();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_drawn = false;
    bool m_read = false;
};

// The second part of a stretch, walked from where the first part ends: its pen moves
// are kept (kKeptMoves at most, then it waits) until the first part is drawn, then
// drawn after it. Nothing more is drawn when the first part could not be read.
void DrawSecondPart(LetterParts& parts, const PathExtent& extent, const WalkKernel& kernel, const PathStyle& style,
                    RasterCanvas& canvas, FirstPart& first)
{
    // The pen stands where the first part's walk ends: floor(position / scale) on.
    const std::int64_t k = extent.scale;
    const auto pixels = [k](std::int64_t steps) { return steps >= 0 ? steps / k : -((-steps + k - 1) / k); };
    StampingPen pen(style, canvas);
    pen.Start(static_cast<int>(extent.startX + pixels(parts.x)), static_cast<int>(extent.startY + pixels(parts.y)));
    std::vector<DirectionSlot> kept;
    bool direct = false;
    const auto catchUp = [&] {
        direct = first.Await();
        if (direct)
            for (const DirectionSlot slot : kept)
                pen.Move(slot);
        kept = std::vector<DirectionSlot>();
        return direct;
    };
    WalkPart(*parts.second, kernel, k, parts.x, parts.y, [&](DirectionSlot slot) {
        if (!direct && kept.size() < kKeptMoves) {
            kept.push_back(slot);
            return true;
        }
        if (!direct && !catchUp())
            return false;
        pen.Move(slot);
        return true;
    });
    if (direct || catchUp())
        pen.Flush();
}

// Draws a scaled stretch in two parts at once, each read and walked on a thread of its
// own: the first straight onto the surface (made white first), the second as
// DrawSecondPart does, so that every pixel ends as one walk leaves it. False when no
// second thread can be had: nothing is drawn then.
bool DrawInParts(LetterParts& parts, const PathExtent& extent, const WalkKernel& kernel, const PathStyle& style,
                 RasterCanvas& canvas)
{
    FirstPart first;
    std::thread second;
    try {
        second = std::thread([&] { DrawSecondPart(parts, extent, kernel, style, canvas, first); });
    } catch (const std::system_error&) {
        return false;
    }
    canvas.FillRect(0, 0, extent.width, extent.height, StockBrush::White);
    StampingPen pen(style, canvas);
    pen.Start(extent.startX, extent.startY);
    const bool read = WalkPart(*parts.first, kernel, extent.scale, 0, 0, [&pen](DirectionSlot slot) {
        pen.Move(slot);
        return true;
    });
    pen.Flush();
    first.Drawn(read);
    second.join();
    return true;
}

} // namespace

void DrawPath(LetterSource& letters, const PathExtent& extent, const PathStyle& style, Canvas& canvas)
{
    const WalkKernel kernel(style.letters);
    auto* raster = dynamic_cast<RasterCanvas*>(&canvas);
    if (raster != nullptr && extent.scale > 1)
        if (std::optional<LetterParts> parts = letters.Parts())
            if (DrawInParts(*parts, extent, kernel, style, *raster))
                return;
    canvas.FillRect(0, 0, extent.width, extent.height, StockBrush::White);
    // The batch's surface, drawn on without a virtual call per line.
    if (raster != nullptr) {
        StampingPen drawer(style, *raster);
        WalkPen(letters, extent, kernel, drawer);
    } else {
        PathPen drawer(style, 1, canvas, nullptr);
        WalkPen(letters, extent, kernel, drawer);
    }
}

std::optional<PathExtent> StepExtent(const PathExtent& extent)
{
    const std::int64_t k = std::max(extent.scale, 1);
    const std::int64_t values[] = {extent.width * k, extent.height * k, extent.startX * k, extent.startY * k};
    for (const std::int64_t v : values)
        if (v > std::numeric_limits<int>::max() || v < std::numeric_limits<int>::min())
            return std::nullopt;
    return PathExtent{static_cast<int>(values[0]), static_cast<int>(values[1]), static_cast<int>(values[2]),
                      static_cast<int>(values[3]), 1};
}

ViewerFit FitViewerPath(std::string_view letters, int zoom, const PathStyle& style)
{
    const std::int64_t s = std::max(zoom, 1);
    const std::size_t n = std::min<std::size_t>(letters.size(), kViewerMaxLetters);
    const SlotLookup lookup(style.letters);

    // All four extremes start at 1, so a walk that never steps left starts at x = 4.
    std::int64_t minX = 1, maxX = 1, minY = 1, maxY = 1;
    std::int64_t x = 0;
    std::int64_t y = 0;
    std::size_t count = n;
    for (std::size_t i = 0; i < n; ++i) {
        switch (lookup[static_cast<unsigned char>(letters[i])]) {
        case DirectionSlot::Left:
            x -= s;
            minX = std::min(minX, x);
            break;
        case DirectionSlot::Up:
            y -= s;
            minY = std::min(minY, y);
            break;
        case DirectionSlot::Down:
            y += s;
            maxY = std::max(maxY, y);
            break;
        case DirectionSlot::Right:
            x += s;
            maxX = std::max(maxX, x);
            break;
        case DirectionSlot::None: break;
        }
        // The letter whose step breaks the frame is neither drawn nor counted,
        // but its step still counts in the start point.
        if (!FitsViewerFrame(maxX - minX, maxY - minY, s)) {
            count = i;
            break;
        }
    }

    ViewerFit fit;
    fit.count = static_cast<int>(count);
    fit.startX = ClampToInt(kViewerMargin - minX);
    fit.startY = ClampToInt(kViewerMargin - minY);
    return fit;
}

void DrawViewerPath(std::string_view letters, const ViewerFit& fit, int zoom, const PathStyle& style, Canvas& screen,
                    Canvas& image)
{
    screen.FillRect(0, 0, kViewerWidth, kViewerHeight, StockBrush::White);
    image.FillRect(0, 0, kViewerWidth, kViewerHeight, StockBrush::White);

    const std::int64_t s = std::max(zoom, 1);
    const std::size_t available = std::min<std::size_t>(letters.size(), kViewerMaxLetters);
    const std::size_t count = std::min<std::size_t>(static_cast<std::size_t>(std::max(fit.count, 0)), available);
    const SlotLookup lookup(style.letters);

    PathPen drawer(style, s, screen, &image);
    drawer.Start(fit.startX, fit.startY);
    for (std::size_t i = 0; i < count; ++i) {
        const DirectionSlot slot = lookup[static_cast<unsigned char>(letters[i])];
        if (slot != DirectionSlot::None)
            drawer.Move(slot);
    }
    drawer.Flush();
}

} // namespace lirovane
