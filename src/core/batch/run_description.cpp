#include "core/batch/run_description.h"

#include "core/files/input_file.h"
#include "core/files/output_file.h"
#include "core/intervals/patterns.h"

#include <algorithm>
#include <map>
#include <string>
#include <system_error>

#include <sys/stat.h>

namespace fs = std::filesystem;

namespace lirovane {

namespace {

constexpr const char* kPageName = "index.htm";

fs::path SideFile(const fs::path& file, const char* extension)
{
    fs::path side = file;
    side += extension;
    return side;
}

// The names a gallery folder holds: its page, its position files and its pictures in
// any format (a killed run may have drawn another format than this one).
bool IsGalleryName(std::string_view name)
{
    if (name == kPageName || name == "starts.txt" || name == "ends.txt")
        return true;
    return IsGalleryPictureName(name, PictureFormat::Bmp) || IsGalleryPictureName(name, PictureFormat::Png) ||
           IsGalleryPictureName(name, PictureFormat::Svg);
}

bool IsSizeFolderName(std::string_view name)
{
    constexpr std::string_view kPrefix = "size-";
    if (!name.starts_with(kPrefix) || name.size() == kPrefix.size())
        return false;
    name.remove_prefix(kPrefix.size());
    return std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::vector<fs::path> Paths(const std::vector<RunDescription::File>& files)
{
    std::vector<fs::path> paths;
    paths.reserve(files.size());
    for (const RunDescription::File& file : files)
        paths.push_back(file.path);
    return paths;
}

// An output's folder with its links resolved, and its own name.
fs::path OutputName(const fs::path& file)
{
    std::error_code ec;
    const fs::path parent = fs::weakly_canonical(fs::absolute(file, ec).parent_path(), ec);
    return parent / file.filename();
}

// A size folder is the run's own: made here, and never a link that leads elsewhere.
IoStatus MakeFolder(const RunDescription::Folder& folder)
{
    std::error_code created;
    if (folder.sizeFolder)
        fs::create_directory(folder.dir, created);
    else
        fs::create_directories(folder.dir, created);
    struct stat st {};
    if (folder.sizeFolder && ::lstat(folder.dir.c_str(), &st) == 0 && !S_ISDIR(st.st_mode))
        return IoError::Content(folder.dir, 0,
                                S_ISLNK(st.st_mode) ? "is a symbolic link, not a folder of this run's galleries"
                                                    : "is not a folder");
    std::error_code ec;
    if (fs::is_directory(folder.dir, ec))
        return {};
    // The reason the folder could not be made, not that it is missing afterwards.
    return IoError::Plain("cannot create output folder '" + folder.dir.string() + "'" +
                          (created ? ": " + created.message() : std::string()));
}

} // namespace

RunDescription DescribeRun(const BatchRequest& request)
{
    RunDescription run;
    run.out = request.out;
    run.format = request.format;
    run.inputs.push_back({RunItem::Sequence, request.sequence});
    // The record table of --table and the compressed reader read these when present.
    run.inputs.push_back({RunItem::Sequence, SideFile(request.sequence, ".fai")});
    run.inputs.push_back({RunItem::Sequence, SideFile(request.sequence, ".gzi")});
    if (!request.selection.file.empty())
        run.inputs.push_back({RunItem::Intervals, request.selection.file});

    const bool several = request.sizes.size() > 1;
    if (several) {
        run.folders.push_back({request.out, false});
        run.outputs.push_back({RunItem::Overview, request.out / kPageName});
    }
    for (std::size_t i = 0; i < (several ? request.sizes.size() : 1); ++i) {
        const fs::path dir = several ? request.out / SizeFolderName(request.sizes[i]) : request.out;
        run.folders.push_back({dir, several});
        run.outputs.push_back({RunItem::Page, dir / kPageName});
        auto& positions = request.selection.kind == SelectionKind::PositionFiles ? run.inputs : run.outputs;
        positions.push_back({RunItem::Positions, PositionFile(dir, "starts.txt")});
        positions.push_back({RunItem::Positions, PositionFile(dir, "ends.txt")});
    }
    for (const auto& [item, file] :
         {std::pair{RunItem::Patterns, &request.writePatterns}, std::pair{RunItem::Table, &request.table},
          std::pair{RunItem::Summary, &request.summary}})
        if (!file->empty())
            run.outputs.push_back({item, *file});
    return run;
}

IoStatus CheckClashes(const RunDescription& run)
{
    const std::vector<fs::path> inputs = Paths(run.inputs);
    const std::vector<fs::path> outputs = Paths(run.outputs);
    if (IoStatus clash = CheckOutputsAgainstInputs(inputs, outputs); !clash)
        return clash;
    // Two outputs under one name would overwrite each other. A link at an output's name
    // is replaced, not followed, so names are compared, not what they lead to.
    std::map<fs::path, std::size_t> names;
    for (std::size_t i = 0; i < outputs.size(); ++i)
        if (const auto [at, added] = names.emplace(OutputName(outputs[i]), i); !added)
            return IoError::Plain("the output '" + outputs[i].string() + "' is the same file as '" +
                                  outputs[at->second].string() + "'; nothing was written");
    std::vector<fs::path> files = inputs;
    files.insert(files.end(), outputs.begin(), outputs.end());
    std::vector<fs::path> folders;
    for (const RunDescription::Folder& folder : run.folders)
        folders.push_back(folder.dir);
    return CheckNamesInFolders(files, folders,
                               [&](std::string_view name) { return IsGalleryPictureName(name, run.format); });
}

IoStatus LockFolders(const RunDescription& run, std::vector<FolderLock>& locks)
{
    for (const RunDescription::Folder& folder : run.folders) {
        if (IoStatus made = MakeFolder(folder); !made)
            return made;
        if (IoStatus locked = locks.emplace_back().Acquire(folder.dir); !locked)
            return locked;
    }
    return {};
}

void SweepStagedFiles(const RunDescription& run)
{
    const auto notInput = [&](const fs::path& staged) {
        return std::none_of(run.inputs.begin(), run.inputs.end(),
                            [&](const RunDescription::File& input) { return SameFile(staged, input.path); });
    };
    std::vector<fs::path> swept;
    for (const RunDescription::Folder& folder : run.folders) {
        RemoveStaleStagedFiles(folder.dir, [&](const fs::path& staged, std::string_view target) {
            const bool output = std::any_of(run.outputs.begin(), run.outputs.end(), [&](const auto& file) {
                const fs::path parent = file.path.parent_path();
                return file.path.filename() == target && SameFile(parent.empty() ? "." : parent, folder.dir);
            });
            return (output || IsGalleryName(target)) && notInput(staged);
        });
        swept.push_back(folder.dir.filename());
    }
    // Size folders of an earlier run into `out` with other sizes, when no run holds them.
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(run.out, ec)) {
        std::error_code entryError;
        const std::string name = entry.path().filename().string();
        if (!IsSizeFolderName(name) || entry.is_symlink(entryError) || !entry.is_directory(entryError) ||
            std::find(swept.begin(), swept.end(), name) != swept.end())
            continue;
        FolderLock lock;
        if (lock.Acquire(entry.path()))
            RemoveStaleStagedFiles(entry.path(), [&](const fs::path& staged, std::string_view target) {
                return IsGalleryName(target) && notInput(staged);
            });
    }
}

} // namespace lirovane
