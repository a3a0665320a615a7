#pragma once

#include "core/batch/image_batch.h"
#include "core/render/letter_source.h"
#include "core/render/picture_format.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <vector>

namespace lirovane {

struct AppSettings;

// One gallery of a pass: the folder whose starts.txt and ends.txt select its repeats
// and which receives its pictures and index.htm, with the size and the count of
// repeats that its page names, and the format of its pictures.
struct GallerySelection {
    std::filesystem::path dir;
    int size = 0;
    int count = 0;
    PictureFormat format = PictureFormat::Bmp;
};

// Letters of one stretch kept in memory. A longer stretch is read again from the
// sequence file for its picture (or, for plain gzip input, from a temporary file it is
// written to), so memory does not grow with the longest repeat.
inline constexpr std::size_t kStretchInMemory = std::size_t{2} << 20;

// Called after every picture with the pictures made so far and the sum of the counts.
using PictureProgress = std::function<void(int pictures, int count)>;
// Asked before every position that ends a stretch: true stops the pass there.
// Pictures already handed over are finished, no page is replaced, and every result
// says `stopped`.
using StopRequest = std::function<bool()>;

// How a pass reads, reports and ends.
struct PassOptions {
    PictureProgress progress;
    // Pictures are drawn and saved on a second thread while the sequence is read (the
    // same files; `progress` then counts pictures handed over).
    bool picturesOnOwnThread = false;
    // Pictures waiting for that thread, at most (0: its own bound). A few keep `progress`
    // close to the pictures saved, and the end of the pass short.
    std::size_t picturesAhead = 0;
    StopRequest stop;
    // The sequence is read to its end even past the last position selected, so that a
    // file that cannot be read whole is known as such.
    bool readToEnd = false;
    // A sequence that cannot be opened or read to its end replaces no page, as a
    // stopped pass does (the window's batch writes its page whatever it read).
    bool pagesNeedWholeSequence = false;
    // Moves the bound above (the files are the same whatever it is).
    std::size_t stretchInMemory = kStretchInMemory;
    // Stretches read again from a plain file are drawn in two parts at once from this
    // many letters (the files are the same whatever it is).
    std::uint64_t partsFrom = kDrawInPartsFrom;
    SvgResolution svgResolution = SvgResolution::Step;
};

// Draws every gallery in one read of the settings' sequence file: each gallery cuts
// its own stretches, so repeats of different galleries may overlap and nest. Each
// gallery's files are byte for byte those of a pass of its own. Results come in the
// order of `galleries`; `page` is the absolute path of each index.htm, `url` is left
// empty. Every result carries the sequence's error, if any.
std::vector<BatchResult> DrawGalleries(const AppSettings& settings, const std::vector<GallerySelection>& galleries,
                                       const PassOptions& options = {});

// The pass as a window shows it: the wait text and the progress frame on the display's
// surface, the bar filled after every picture, and the display asked whether to stop.
std::vector<BatchResult> DrawOnDisplay(const AppSettings& settings, BatchDisplay& display,
                                       const std::vector<GallerySelection>& galleries, PassOptions options);

} // namespace lirovane
