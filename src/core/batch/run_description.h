#pragma once

#include "core/batch/batch_run.h"
#include "core/files/folder_lock.h"
#include "core/files/io_error.h"

#include <filesystem>
#include <vector>

namespace lirovane {

// Every file a run reads and writes, made from its request before anything is touched.
// The clash check, the folders with their locks and the sweep of staged files derive
// from it, so an output entered here is checked, locked and swept with the others.
struct RunDescription {
    struct File {
        RunItem item;
        std::filesystem::path path;
    };
    // A folder the run writes its pictures, page and position files into. A size
    // folder is made inside `out` and must be a folder of its own, not a link.
    struct Folder {
        std::filesystem::path dir;
        bool sizeFolder = false;
    };
    std::filesystem::path out;
    std::vector<File> inputs;  // with what is read on the side (FILE.fai, FILE.gzi)
    std::vector<File> outputs; // every output whose name is known before the run
    std::vector<Folder> folders;
    PictureFormat format = PictureFormat::Bmp; // pictures are PictureFileName(N, format)
};

// `request.out` must not be empty (the run puts the working folder there).
RunDescription DescribeRun(const BatchRequest& request);

// Fails, naming both files, when an output would replace an input or another output,
// or when a file of the run bears a picture's name in a folder the pictures go to.
IoStatus CheckClashes(const RunDescription& run);

// Makes every folder of the run and takes its lock, `out` first: a run into a folder
// that another run writes (its own, or one nested in it) refuses at once.
IoStatus LockFolders(const RunDescription& run, std::vector<FolderLock>& locks);

// Removes what runs killed while writing left staged in the run's folders, and in any
// other size folder of `out` that no run holds: only staged names of this program for
// a gallery's files or the run's outputs, never an input.
void SweepStagedFiles(const RunDescription& run);

} // namespace lirovane
