#pragma once

#include "core/files/io_error.h"
#include "core/render/picture_format.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace lirovane {

class Canvas;
struct AppSettings;

// What the batch needs of the window it runs in.
class BatchDisplay {
public:
    virtual ~BatchDisplay() = default;
    // The view's own surface: the wait text, the progress frame and bar go here.
    virtual Canvas& Surface() = 0;
    // Makes what was drawn on the surface visible now (the batch does not return
    // to the event loop while it runs).
    virtual void Present() {}
    // Called after every picture with the pictures made and the stored count.
    virtual void Progress(int /*pictures*/, int /*count*/) {}
    // Points the browser at the page that was written.
    virtual void Navigate(const std::string& url) = 0;
    // Asked before every picture: true ends the batch there. Finished pictures stay;
    // the page is not replaced and the browser is not sent anywhere.
    virtual bool StopRequested() { return false; }
};

// Threads that decompress a BGZF sequence file for the batch.
inline constexpr int kBatchDecompressThreads = 2;

// A picture the batch drew: its number (the start position) and the end position that
// closed its stretch.
struct DrawnPicture {
    std::int64_t start = 0;
    std::int64_t end = 0;
    friend bool operator==(const DrawnPicture&, const DrawnPicture&) = default;
};

// What a failure of a batch run refers to.
enum class RunItem {
    Sequence,    // the sequence file could not be opened
    SequenceEnd, // the sequence file cannot be read to its end
    Intervals,   // the patterns or .dat file cannot be read, or is not of its kind
    Selection,   // the split rejected a record (or a .dat file's coordinates)
    Positions,   // starts.txt or ends.txt cannot be written or read
    Picture,     // a picture could not be saved
    Page,        // a gallery's index.htm
    Overview,    // the page that links the galleries of several sizes
    Patterns,    // the converted patterns file (--write-patterns)
    Table,       // the table of pictures
    Summary,     // the table of sizes
    Folder,      // an output folder could not be made or locked
    Clash,       // an output would replace an input or another output: nothing was written
};

struct RunError {
    RunItem item;
    IoError error;
};

// One gallery of a pass.
struct BatchResult {
    int pictures = 0;                // pictures drawn (cells on the page)
    std::vector<DrawnPicture> drawn; // each picture drawn, in drawing order
    // What went wrong, each once: the sequence, the position files, the page, then
    // every picture that could not be saved (its file and why).
    std::vector<RunError> errors;
    bool stopped = false;             // StopRequested() ended the batch early
    std::uint64_t sequenceLength = 0; // positions of the sequence, once read to its end
    int beyondEnd = 0;                // selected repeats ending past it (counted only then)
    std::filesystem::path page;       // absolute path of index.htm
    std::string url;                  // the address given to Navigate
    std::uint64_t bases = 0;          // characters of the stretches drawn

    // The first error about `item`, or nothing.
    const IoError* Error(RunItem item) const;
    int Count(RunItem item) const;
};

// The whole batch: reads starts.txt and ends.txt from `dir` (the working directory
// when empty), draws every selected stretch of the settings' sequence file, saves
// "%d.bmp" files (or "%d.png", "%d.svg" in those formats) and index.htm in `dir`,
// and navigates the display to the page.
BatchResult CreateImages(const AppSettings& settings, BatchDisplay& display, const std::filesystem::path& dir = {},
                         PictureFormat format = PictureFormat::Bmp);

// "N.bmp" (or "N.png", "N.svg"): the file of the picture that the repeat starting at
// position N gives.
std::string PictureFileName(std::int64_t number, PictureFormat format);
// Whether `name` is one that PictureFileName can give in `format`.
bool IsGalleryPictureName(std::string_view name, PictureFormat format);
// "size-N": the folder of one size's gallery when a run draws several sizes.
std::string SizeFolderName(int size);

// The wait display on the display's surface: white, the wait text at (100, 100) and the
// progress bar's frame; then presented.
void ShowWaitDisplay(BatchDisplay& display);
// The bar filled for `pictures` of `count`, the display told, and presented.
void ShowProgress(BatchDisplay& display, int pictures, int count);

// Right edge of the progress bar after `pictures` of `count`: 3 pixels per percent
// from 102, full when the count is not positive.
int ProgressBarRight(int pictures, int count);

// & < > " replaced by their entities; everything else unchanged.
std::string HtmlEscape(std::string_view text);
// A file URL of an absolute path, percent-encoding what a URL cannot hold as is.
std::string FileUrl(const std::filesystem::path& absolutePath);

} // namespace lirovane
