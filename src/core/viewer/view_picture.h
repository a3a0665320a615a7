#pragma once

#include "core/render/path_renderer.h"
#include "core/render/picture_format.h"

#include <cstdint>
#include <string>

namespace lirovane {

// One picture of the viewer without its window: a fresh opening of `file` with these
// orientation, colours and zoom, shown from token `start` and saved as `save`.
struct ViewOptions {
    std::string file;
    std::string save;
    PictureFormat format = PictureFormat::Bmp; // the format `save` is written in
    std::int64_t start = 0;
    std::string region; // NAME:POS instead of `start`: the first base drawn
    int zoom = 1;
    std::int64_t level = 1; // 2 or more: that many steps per pixel, from the start
    bool fit = false;       // the record holding the start, whole, from its first base
    int orientation = 1;
    SlotColors colors = kDefaultColors;
    bool minusStrand = false; // --strand -: every window reverse-complemented
};

// What the picture shows.
struct ViewShown {
    bool lettersFound = false; // letters were kept at the start
    std::string startText;     // the viewer's two boxes
    std::string endText;
    std::string region; // what the picture shows as record:bases, when a region was asked for
    std::string notes;  // one line each: a FILE.fai that was ignored, which of several records was taken
};

// What the viewer shows for the options in a fresh opening, saved as the picture.
// Fails when the file cannot be read (naming it and where), when the region names no
// base (an error naming no file: the request is at fault), or when the picture cannot
// be written (naming it, with the system's reason).
IoResult<ViewShown> RenderViewPicture(const ViewOptions& options);

} // namespace lirovane
