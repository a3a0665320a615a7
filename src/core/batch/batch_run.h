#pragma once

#include "core/batch/image_batch.h"
#include "core/render/path_renderer.h"
#include "core/render/picture_format.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace lirovane {

// Where a run's repeats come from. Every kind but PositionFiles goes through the one
// split, which writes starts.txt and ends.txt of every size; a new file of intervals
// is another kind here, read in SplitSelection (batch_run.cpp).
enum class SelectionKind {
    Patterns,      // "<start> <end> <size>" triples; a .dat file given here is converted too
    TrfDat,        // Tandem Repeats Finder output (.dat or -ngs), converted to positions
    PositionFiles, // starts.txt and ends.txt already in the output folder (the window's batch)
};

struct Selection {
    SelectionKind kind = SelectionKind::Patterns;
    std::filesystem::path file; // the patterns or .dat file; none for PositionFiles
    int count = 0;              // PositionFiles: the stored count of repeats the page names
};

// How the run treats its inputs.
enum class InputRule {
    // Every input is checked before anything is written and refused with its reason;
    // the sequence must be read to its end, and a run that cannot read it replaces
    // no page (the command line).
    Checked,
    // Any bytes are read as tokens, and the page is written whatever was read (the
    // window's batch).
    AsGiven,
};

// What one batch run is asked to do.
struct BatchRequest {
    std::string sequence; // as given: the pages name it unchanged
    Selection selection;
    // One size draws into `out` itself; several draw each into out/size-N, and
    // out/index.htm links them. Ascending, each once.
    std::vector<int> sizes;
    std::filesystem::path out; // the working folder when empty
    PictureFormat format = PictureFormat::Bmp;
    SvgResolution svgResolution = SvgResolution::Step;
    PathStyle style;
    std::filesystem::path writePatterns; // the converted .dat as a patterns file
    std::filesystem::path table;         // one row per saved picture
    std::filesystem::path summary;       // one row per size
    InputRule inputs = InputRule::Checked;
    // Pictures are drawn and saved on a thread of their own while the sequence is read.
    bool picturesOnOwnThread = true;
    // Pictures waiting for that thread, at most (0: its own bound); a window keeps this
    // small, so that its progress shows pictures saved and input is dropped to the end.
    std::size_t picturesAhead = 0;
};

// One size's gallery of a run.
struct SizeGallery {
    int size = 0;
    int selected = 0;   // repeats of that size selected
    std::string folder; // relative to `out`: "" or "size-N"
    BatchResult result; // its pictures, page and errors (the sequence's are the run's)
};

// What a run did: counts per gallery, and every failure tagged with what it refers to.
struct BatchReport {
    // Failures of the run as a whole, in the order met: a clash (nothing was written),
    // the inputs, the folders, the split, the sequence, the overview page, the tables.
    std::vector<RunError> errors;
    std::vector<SizeGallery> galleries;
    std::filesystem::path overview; // several sizes: the absolute path of out/index.htm
    bool stopped = false;           // the display asked to stop; no page was replaced

    const IoError* Error(RunItem item) const;
    // Whether any failure, of the run or of a gallery, was met.
    bool Failed() const;
    int Pictures() const;
    int Selected() const;
};

// The whole run, in this order: the description of every input and output, the clash
// check, the folders and their locks, the sweep of staged files killed runs left, the
// split, the drawing, the pages, the table and the summary. The display shows the wait
// text and progress, is asked whether to stop before every picture, and is sent to the
// page when the run was not stopped.
BatchReport RunBatch(const BatchRequest& request, BatchDisplay& display);

} // namespace lirovane
