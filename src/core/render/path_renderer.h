#pragma once

#include "core/render/color.h"
#include "core/render/letter_table.h"
#include "core/sequence/sequence_letters.h" // kViewerMaxLetters

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace lirovane {

class Canvas;
class LetterSource;
struct WalkBounds;

// The colours of the four direction slots, indexed by DirectionSlot: Left, Up, Down, Right.
using SlotColors = std::array<Color, 4>;

// Red, blue, cyan and green: the first-run colours and the viewer's at every opening.
inline constexpr SlotColors kDefaultColors{0x000000FFu, 0x00FF0000u, 0x00FFFF00u, 0x0000FF00u};

// A letter table and the colours of its slots.
struct PathStyle {
    LetterTable letters = LetterTable::ForOrientation(1);
    SlotColors colors = kDefaultColors;

    Color ColorOf(DirectionSlot slot) const noexcept { return colors[static_cast<std::size_t>(slot)]; }
};

// The picture of one stretch: its size and the pen's start point. `scale` is the
// number of steps per pixel: 1 for every walk a 15000-character stretch can make;
// larger only for longer stretches whose picture would otherwise exceed that bound.
struct PathExtent {
    int width = 0;
    int height = 0;
    int startX = 0;
    int startY = 0;
    int scale = 1;

    friend bool operator==(const PathExtent&, const PathExtent&) = default;
};

// The viewer's fit: how many letters to draw and where the pen starts in 650 x 380.
struct ViewerFit {
    int count = 0;
    int startX = 0;
    int startY = 0;

    friend bool operator==(const ViewerFit&, const ViewerFit&) = default;
};

inline constexpr int kViewerWidth = 650;
inline constexpr int kViewerHeight = 380;
// width + height of the largest picture a 15000-character stretch can give.
inline constexpr int kMaxPictureSpan = 15083;

// Picture variant: one pixel per step, a 20-pixel margin, the picture grows with the path.
// A picture whose width + height would exceed kMaxPictureSpan is scaled down by the
// smallest whole factor that brings it within the bound (`scale`, steps per pixel).
// The LetterSource forms walk a stretch read in pieces (rewound before each walk); the
// string forms are the same walk over a stretch held whole. A source that fails part way
// gives the picture of the letters read: callers check its Status().
PathExtent MeasurePath(std::string_view stretch, const PathStyle& style);
PathExtent MeasurePath(LetterSource& letters, const PathStyle& style);
// The picture of a walk whose extremes are known (MeasurePath walks and calls this).
PathExtent PictureExtent(const WalkBounds& walk);
void DrawPath(std::string_view stretch, const PathExtent& extent, const PathStyle& style, Canvas& canvas);
void DrawPath(LetterSource& letters, const PathExtent& extent, const PathStyle& style, Canvas& canvas);
// The picture measured in steps instead of pixels: every length `scale` times larger and
// a scale of 1, so that DrawPath on it draws every step, in a frame `scale` times finer
// (pixel p of the picture spans steps p * scale to (p + 1) * scale). The extent itself
// when it is not scaled; nothing when the finer frame does not fit in an int.
std::optional<PathExtent> StepExtent(const PathExtent& extent);

// Draws a walk move by move from a start point, `step` pixels a move, on one canvas or
// two (the first, then the second), each line 2 pixels wide in its slot's colour.
// Consecutive moves in one direction become one line: with the square pen of the
// raster canvas it covers exactly the pixels the single moves would, and it keeps long
// straight runs cheap on window surfaces. Flush() draws the last run.
class PathPen {
public:
    PathPen(const PathStyle& style, std::int64_t step, Canvas& first, Canvas* second) noexcept;
    void Start(int x, int y);
    void Move(DirectionSlot slot)
    {
        if (slot != m_slot)
            Flush();
        m_slot = slot;
        ++m_moves;
    }
    void Flush();

private:
    const PathStyle& m_style;
    std::int64_t m_step;
    Canvas& m_first;
    Canvas* m_second;
    std::int64_t m_x = 0;
    std::int64_t m_y = 0;
    DirectionSlot m_slot = DirectionSlot::None;
    std::int64_t m_moves = 0;
};

// The viewer's fit test: a walk whose extremes lie `spanX` and `spanY` apart, drawn
// with a step of `step` pixels, still fits the 650 x 380 frame.
constexpr bool FitsViewerFrame(std::int64_t spanX, std::int64_t spanY, std::int64_t step) noexcept
{
    return spanX + step + 10 < kViewerWidth && spanY + step + 10 < kViewerHeight;
}

// Viewer variant: a step of `zoom` pixels in a fixed 650 x 380 frame; only the letters
// that fit are drawn, on both canvases (screen first, then image) step by step.
// A zoom below 1 counts as 1; letters past kViewerMaxLetters are ignored.
ViewerFit FitViewerPath(std::string_view letters, int zoom, const PathStyle& style);
void DrawViewerPath(std::string_view letters, const ViewerFit& fit, int zoom, const PathStyle& style, Canvas& screen,
                    Canvas& image);

} // namespace lirovane
