#pragma once

#include "core/files/io_error.h"
#include "core/render/canvas.h"
#include "core/render/color.h"
#include "core/render/letter_table.h"
#include "core/render/path_renderer.h"
#include "core/render/picture_format.h"
#include "core/render/raster_canvas.h"
#include "core/sequence/fasta_records.h"
#include "core/sequence/genome_coordinates.h"
#include "core/viewer/level_window.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace lirovane {

class TokenOffsetIndex;

// What a status line tells about the stretch on show, in the genome's own terms.
struct ViewerFacts {
    bool recordsKnown = false;        // the file's record table could be read
    std::uint64_t totalPositions = 0; // non-blank characters of the file
    bool pastEnd = false;             // the start index lies at or past the last position
    std::string range;                // the bases drawn, "chr2:1,001-2,000"; empty when none
    std::string indexNotice;          // a FILE.fai that was ignored, in one line
    bool bgzipHint = false;           // a plain gzip file, which bgzip would make quick to jump in
};

// The Strandscope viewer without its window: one opening's indexes, zoom, letters,
// orientation and colours, and the commands that change them. Every drawing reloads
// its letters from the file, fits them into 650 x 380 and draws them on the screen
// canvas (when one is attached) and on m_image.
//
// Next, Previous, Redraw, ZoomIn and ZoomOut do nothing until the first Load; each
// command returns true when it drew, so that a window knows to refresh its boxes.
class StrandscopeModel {
public:
    // Deep start indexes start from what `index` remembers of the file (by default the
    // process's TokenOffsetIndex::Global()).
    StrandscopeModel();
    explicit StrandscopeModel(TokenOffsetIndex& index);

    // The on-screen surface drawn together with m_image; nullptr draws on m_image only.
    void SetScreen(Canvas* screen) noexcept { m_screen = screen; }

    // A confirmed open-file choice: shows the file from start index 0. The file counts
    // as loaded whatever the outcome; the status says why it cannot be read.
    const IoStatus& Load(const std::filesystem::path& file);
    // As Load, but from `startIndex` tokens in (the command line's --start).
    const IoStatus& LoadAt(const std::filesystem::path& file, std::int64_t startIndex);
    bool Next();
    bool Previous();
    bool Redraw();
    // At a level, ZoomIn returns to zoom 1 and ZoomOut does nothing.
    bool ZoomIn();
    bool ZoomOut();
    // Levels below zoom 1: 2, 4, 8, ... steps per pixel, halved or doubled, from zoom 1
    // to the level at which the record holding the start index fits whole; closer at
    // 2 returns to zoom 1. Nothing before a Load, past those ends, or (closer) at a zoom.
    bool ZoomOutFurther();
    bool ZoomInCloser();
    // The level (or zoom 1) at which the record holding the start index fits whole,
    // from that record's first base.
    bool FitRecord();
    // Asked while a long walk at a level reads: true stops it, leaving the picture,
    // indexes and level as they were before the command.
    void SetStopCheck(StopCheck stop) { m_stop = std::move(stop); }
    // Steps per pixel: 1 at every zoom, 2 or more at a level.
    std::int64_t Level() const noexcept { return m_level; }
    // The start box lost the focus: its text, read as atoi reads its first 29
    // characters (saturated to the 64-bit range), becomes the start.
    void SetStartIndexText(std::string_view text);
    // Sets the start index directly; draws nothing.
    void SetStartIndex(std::int64_t startIndex) noexcept { m_nStartIndex = startIndex < 0 ? 0 : startIndex; }
    // Go to: `text` as ParseRegion reads it against the loaded file's records becomes the
    // start index; draws nothing. Fails when the records cannot be read (naming the file)
    // or the text names no base (naming no file); the start index then stays.
    IoResult<RegionTarget> GoTo(std::string_view text);
    // The facts of the stretch on show; none but the hint before a sequence is loaded.
    ViewerFacts Facts() const;
    // What the colour dialog handed back; redraws a loaded sequence.
    void ApplyColorSettings(int orientation, const SlotColors& colors);
    // Sets the zoom directly (at least 1); draws nothing.
    void SetZoom(int zoom) noexcept { m_nZoom = zoom < 1 ? 1 : zoom; }
    // Sets the level directly (below 2: zoom 1 rules); draws nothing.
    void SetLevel(std::int64_t level) noexcept { m_level = level < 2 ? 1 : level; }
    // Draws every window from the minus strand: its letters reverse-complemented, as many
    // as that walk fits; the windows still run forward from the start index. Draws nothing.
    void SetMinusStrand(bool minus) noexcept { m_minus = minus; }
    bool MinusStrand() const noexcept { return m_minus; }

    // Saves m_image, 650 x 380, as BMP or PNG; as SVG, the last drawing is drawn again
    // as vectors on a canvas of that size. Fails when the file was not written whole.
    IoStatus SaveImage(const std::filesystem::path& file, PictureFormat format = PictureFormat::Bmp) const;

    bool HasSequence() const noexcept { return m_bNoSequence == 0; }
    std::int64_t StartIndex() const noexcept { return m_nStartIndex; }
    std::int64_t EndIndex() const noexcept { return m_nEndIndex; }
    int Zoom() const noexcept { return m_nZoom; }
    int Orientation() const noexcept { return m_nOrientation; }
    const SlotColors& Colors() const noexcept { return m_colors; }
    const LetterTable& Letters() const noexcept { return m_letterTable; }
    PathStyle Style() const noexcept;
    // The letters of the last load that kept any, as far as its drawing needed them.
    std::string_view KeptLetters() const noexcept
    {
        return {m_letters.data(), static_cast<std::size_t>(m_nLetterCount)};
    }
    // Letters drawn by the last drawing (EndIndex() - StartIndex() unless clamped).
    int DrawnCount() const noexcept { return m_nDrawnCount; }
    // Whether the last load of letters kept any.
    bool LastLoadFound() const noexcept { return m_bLastLoadFound; }
    const std::filesystem::path& ViewerPath() const noexcept { return m_viewerPath; }
    // Why the last load of letters could not open or read the file; success when it could.
    const IoStatus& LastLoadStatus() const noexcept { return m_loadStatus; }

    // Texts of the start and end boxes, empty until a drawing writes them.
    const std::string& StartText() const noexcept { return m_startText; }
    const std::string& EndText() const noexcept { return m_endText; }
    // Legend letters from the upper-case entries: Left, Up, Down, Right.
    std::array<char, 4> Legend() const noexcept;

    const RasterCanvas& Image() const noexcept { return m_image; }

private:
    bool LoadLetters();
    // The letters from `start` that the fit with the current zoom and style can use: read
    // a part at a time until the walk leaves the frame inside them, or to the end or the
    // 400000 limit (`complete`). Letters after that point cannot change the picture.
    // Fails as ReadSequenceLetters fails, with no letters.
    IoResult<std::string> ReadFittingLetters(std::int64_t start, bool& complete) const;
    // The fit of `letters` on the strand shown; on minus, `minusLetters` receives the
    // letters the fit draws.
    ViewerFit Fit(std::string_view letters, const PathStyle& style, std::string& minusLetters) const;
    void FitAndDraw();
    void RedrawSequence();
    // At a level: fits the window from the start index (false when stopped, the
    // window on show kept), and draws it.
    enum class LevelFit { Fitted, Nothing, Stopped };
    LevelFit FitLevel();
    void DrawLevel();
    // Runs `change` (which moves the start, zoom or level) and redraws; a walk stopped
    // part way puts everything back as it was and returns false.
    template <typename Change> bool Navigate(Change change);
    // The level at which the record holding the start index fits whole (1: at zoom 1),
    // with that record's start and its window at that level; null when the records
    // cannot be read, none holds the start, or the walk was stopped.
    struct RecordFitCache;
    const RecordFitCache* RecordFit();
    bool Stopped() const { return m_stop && m_stop(); }

    std::int64_t m_nStartIndex = 0;
    std::int64_t m_nEndIndex = 0;
    std::int64_t m_nPreviousStart = 0;
    RasterCanvas m_image;
    int m_nZoom = 1;
    bool m_minus = false;
    int m_nOrientation = 1;
    SlotColors m_colors = kDefaultColors; // m_clrA, m_clrC, m_clrG, m_clrT by slot
    LetterTable m_letterTable = LetterTable::ForOrientation(1);
    int m_bNoSequence = 1; // 1 until the first Load; read it through HasSequence()
    std::string m_letters; // kept letters, never cleared by a load that keeps none
    int m_nLetterCount = 0;
    std::int64_t m_lettersFrom = 0; // the start index the kept letters were read from
    bool m_lettersComplete = true;  // all the letters a full read keeps, not only what the fit used

    std::filesystem::path m_viewerPath;
    TokenOffsetIndex& m_index;
    Canvas* m_screen = nullptr;
    std::string m_startText;
    std::string m_endText;
    int m_nDrawnCount = 0;
    bool m_bLastLoadFound = false;
    IoStatus m_loadStatus;

    // What the last drawing drew on m_image, to draw it again as vectors: its fit, zoom
    // and style, and the kept letters (which change only by a load, and every load is
    // followed by a drawing).
    struct Drawing {
        ViewerFit fit;
        int zoom = 1;
        PathStyle style;
        bool minus = false;
        std::string minusLetters; // on minus, the letters drawn
    };
    std::optional<Drawing> m_shown;

    std::int64_t m_level = 1;
    LevelWindow m_window;           // the window on show at a level, with its moves
    std::int64_t m_windowStart = 0; // the start index it was fitted from
    struct RecordFitCache {
        std::filesystem::path file;
        std::uint64_t tokensBefore = 0;
        LetterTable table;
        std::int64_t level = 1;
        LevelWindow window;
    };
    std::optional<RecordFitCache> m_recordFit;
    StopCheck m_stop;
};

} // namespace lirovane
