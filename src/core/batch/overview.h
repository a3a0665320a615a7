#pragma once

#include "core/files/io_error.h"
#include "core/render/letter_source.h"
#include "core/render/path_renderer.h"
#include "core/render/picture_format.h"
#include "core/render/walk_kernel.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace lirovane {

class BatchDisplay;

// The walk over one record's bases, in unit steps with y down, and the base (1-based
// in the record; 0 for the start, before any base) where it first reaches each of its
// extremes, in the order min x, max x, min y, max y.
class RecordWalk {
public:
    explicit RecordWalk(const LetterTable& table) : m_kernel(table) {}

    // Takes the next piece of the record's text (blanks pass over, as in any stretch),
    // which holds `tokens` bases.
    void Add(std::string_view text, std::uint64_t tokens);
    // Takes in the walk over the text that follows this one's, walked from its own start.
    void Append(const RecordWalk& next);

    const WalkBounds& Bounds() const noexcept { return m_bounds; }
    const std::array<std::uint64_t, 4>& FirstReach() const noexcept { return m_first; }
    std::uint64_t Bases() const noexcept { return m_bases; }

private:
    // Where the walk last went past an extreme in the piece being read: the block's
    // offset, the pen at its start and the extreme reached in it.
    struct Pending {
        bool set = false;
        std::size_t offset = 0;
        std::int64_t x = 0;
        std::int64_t y = 0;
        std::int64_t value = 0;
    };
    // A block walked from the pen at (atX, atY), `offset` bytes into the piece.
    void Note(const BlockMoves& m, std::size_t offset, std::int64_t atX, std::int64_t atY);
    // Finds the bases of the extremes passed in `piece`, which holds `tokens` bases.
    void Resolve(std::string_view piece, std::uint64_t tokens);

    WalkKernel m_kernel;
    std::array<Pending, 4> m_pending{};
    WalkBounds m_bounds;
    std::array<std::uint64_t, 4> m_first{};
    std::uint64_t m_bases = 0;
};

// The overview of a sequence file: one picture per record, each the picture a
// patterns record spanning that record's bases gives in a gallery, a page of them,
// and walk.tsv, the walk's end and turning points per record.
struct OverviewRequest {
    std::string sequenceFile;     // as given: the page and SVG titles name it so
    std::filesystem::path folder; // receives RECORD.bmp|png|svg, index.htm, walk.tsv
    PictureFormat format = PictureFormat::Bmp;
    PathStyle style;
    // Asked as each record is read: true ends the run there. The pictures handed over
    // are finished; the page and walk.tsv are not replaced.
    std::function<bool()> stop = nullptr;
    SvgResolution svgResolution = SvgResolution::Step;
    // Records of a plain file are drawn in two parts at once from this many bases (the
    // files are the same whatever it is).
    std::uint64_t partsFrom = kDrawInPartsFrom;
};

struct OverviewReport {
    IoStatus sequence; // why the sequence file cannot be read to its end
    std::size_t records = 0;
    std::size_t pictures = 0;
    std::vector<IoError> unwritten; // pictures that could not be saved, with why
    IoStatus page;
    IoStatus table;
    IoStatus folder;      // the folder could not be made or locked (a window's run); nothing was written
    bool stopped = false; // `stop` ended the run
};

// Called once the records are known, then after every record's walk, with the records
// walked and their number.
using OverviewProgress = std::function<void(std::size_t done, std::size_t total)>;

// Reads each record twice, to measure and to draw it (the drawing on a second
// thread, while the next record is measured), in memory that does not grow with it.
OverviewReport RunOverview(const OverviewRequest& request, const OverviewProgress& progress = {});

// The overview as a window runs it: the folder made and locked, the batch's wait display
// with its bar filled record by record, the display asked whether to stop, and sent to
// the page when one was written.
OverviewReport RunOverview(OverviewRequest request, BatchDisplay& display);

// The head line that says a page is an overview.
inline constexpr std::string_view kOverviewLine = "Overview: the whole walk of every record";

} // namespace lirovane
