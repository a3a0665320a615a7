#pragma once

#include "core/files/io_error.h"
#include "core/render/letter_source.h"
#include "core/render/path_renderer.h"
#include "core/render/picture_format.h"
#include "core/render/raster_canvas.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace lirovane {

// One picture to draw: its file and format, the stretch, the list that receives the
// file when it cannot be saved, and the title an SVG picture bears. A stretch too long
// to hold comes as `letters` (read twice, to measure and to draw), with `stretch` empty
// and `length` its count of letters.
struct PictureJob {
    std::filesystem::path file;
    std::string stretch;
    std::unique_ptr<LetterSource> letters;
    std::uint64_t length = 0;
    std::vector<IoError>* unwritten = nullptr;
    PictureFormat format = PictureFormat::Bmp;
    std::string title;
};

// Draws stretches and saves them as pictures: at once on the calling thread, or on
// threads of their own so that the pictures of a pass are written while the sequence
// is still being read. With more than one drawing thread, pictures are taken up in the
// order they are handed over and drawn side by side, each thread on a surface of its
// own. A picture that cannot be saved keeps its earlier file, if any, and is added with
// its reason to the `unwritten` list given with it (in the order the pictures were
// handed over), which the caller may read only after Finish().
class PictureWriter {
public:
    // `maxQueued` bounds the pictures handed over and not yet taken up (0: a bound of its
    // own); `drawers` is the number of drawing threads when `ownThread`.
    PictureWriter(const PathStyle& style, bool ownThread, std::size_t maxQueued = 0,
                  SvgResolution svg = SvgResolution::Step, std::size_t drawers = 1);
    ~PictureWriter();
    PictureWriter(const PictureWriter&) = delete;
    PictureWriter& operator=(const PictureWriter&) = delete;

    void Add(PictureJob job);
    // Returns once every picture handed over has been written or given up. `whileWaiting`,
    // when given, is called about once a frame meanwhile on the calling thread.
    void Finish(const std::function<void()>& whileWaiting = {});

private:
    using Job = PictureJob;
    // A picture not saved, with the place of its job in the order handed over.
    struct Unwritten {
        std::uint64_t order = 0;
        std::vector<IoError>* list = nullptr;
        IoError error;
    };
    // Why the job's picture was not saved; nothing when it was.
    std::optional<IoError> Write(Job& job, RasterCanvas& picture);
    void Run();

    PathStyle m_style;
    SvgResolution m_svg;
    RasterCanvas m_picture{1, 1}; // the surface of pictures drawn on the calling thread

    // Jobs waiting for the drawing threads, bounded so that a fast read cannot pile up
    // the stretches of a whole genome (nor the temporary files of long ones).
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::pair<std::uint64_t, Job>> m_jobs;
    std::uint64_t m_handed = 0;
    std::size_t m_queuedBytes = 0;
    std::size_t m_maxQueued;
    bool m_closing = false;
    std::vector<Unwritten> m_unwritten;
    std::vector<std::thread> m_threads;
};

} // namespace lirovane
