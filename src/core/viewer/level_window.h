#pragma once

#include "core/files/io_error.h"
#include "core/render/letter_table.h"
#include "core/render/path_renderer.h"
#include "core/render/walk_kernel.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <vector>

namespace lirovane {

class Canvas;
struct FastaRecord;

// The viewer's levels: a sequence file drawn at `level` steps per pixel (2, 4, 8, ...)
// by the rule of the batch's long stretches, in windows that fit the 650 x 380 frame.
// At a level the start and end indexes both count every token, and no letter cap applies.

// True asks a long walk to stop (navigation, a Stop button); asked once per block read.
using StopCheck = std::function<bool()>;

// A window at a level: how many tokens it holds, where the pen starts, and its pixel
// moves in order, kept so that new colours draw it again without reading the file
// (`kept` is false when there were too many to keep).
struct LevelWindow {
    std::uint64_t tokens = 0;
    int startX = 0;
    int startY = 0;
    bool found = false;   // at least one token follows the start
    bool stopped = false; // the walk was stopped: the window is incomplete
    bool kept = true;
    std::vector<DirectionSlot> moves;
};

// The window from `start` tokens into `file`: the longest stretch whose scaled walk
// passes the viewer's fit test (extremes start at 1, a step of one pixel), read once.
// The token whose pixel move breaks the frame is not in it; its move still counts in
// the start point, as at zoom 1. Fails when the file cannot be read.
IoResult<LevelWindow> FitLevelWindow(const std::filesystem::path& file, std::int64_t start, std::int64_t level,
                                     const LetterTable& table, const StopCheck& stop = {});

// Draws a window (white first) on both canvases, screen then image: from its kept
// moves, or by reading its tokens again. False when stopped part way.
bool DrawLevelWindow(const std::filesystem::path& file, std::int64_t start, const LevelWindow& window,
                     std::int64_t level, const PathStyle& style, Canvas& screen, Canvas& image,
                     const StopCheck& stop = {});

// The record holding a start, whole: the smallest level of 2, 4, 8, ... at which its
// walk fits the frame from its first base (1: at zoom 1, where it fits within the
// viewer's letter cap), found in one read of it at every level at once; at a level, the
// window from its first base, which goes on past the record while it fits; and the
// bounds of the record's walk in unit steps.
struct RecordFit {
    std::int64_t level = 1;
    LevelWindow window; // `stopped` when the read was stopped
    WalkBounds bounds;
};
IoResult<RecordFit> FitWholeRecord(const std::filesystem::path& file, const FastaRecord& record,
                                   const LetterTable& table, const StopCheck& stop = {});

// The smallest level of 2, 4, 8, ... at which a walk with these bounds fits the frame
// whole from its start; 1 (zoom 1) when it fits there and holds no more than the
// viewer's letter cap.
std::int64_t FittingLevel(const WalkBounds& bounds, std::uint64_t letters);

// "1:64" for a level of 64.
std::string LevelName(std::int64_t level);

} // namespace lirovane
