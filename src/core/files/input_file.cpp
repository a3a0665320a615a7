#include "core/files/input_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lirovane {

namespace {

constexpr std::size_t kSniffBytes = std::size_t{64} * 1024;

// The normalised absolute form of a path, its existing folders' links resolved.
std::filesystem::path Normalised(const std::filesystem::path& file)
{
    std::error_code ec;
    std::filesystem::path full = std::filesystem::weakly_canonical(file, ec);
    if (ec)
        full = std::filesystem::absolute(file, ec).lexically_normal();
    return full;
}

IoError Clash(const std::filesystem::path& output, const std::filesystem::path& input)
{
    return IoError::Plain("the output '" + output.string() + "' is the same file as '" + input.string() +
                          "'; nothing was written");
}

} // namespace

bool SameFile(const std::filesystem::path& a, const std::filesystem::path& b)
{
    struct stat sa {};
    struct stat sb {};
    if (::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0)
        return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
    return Normalised(a) == Normalised(b);
}

std::string_view CompressedInputReason(std::string_view head)
{
    if (head.size() >= 2 && static_cast<unsigned char>(head[0]) == 0x1F && static_cast<unsigned char>(head[1]) == 0x8B)
        return "is gzip-compressed, which this file is not read as; decompress it first (gunzip)";
    return {};
}

IoResult<std::FILE*> OpenInputFile(const std::filesystem::path& file)
{
    const auto fail = [](IoError e) { return IoResult<std::FILE*>(std::move(e)); };
    // Non-blocking, so that opening a pipe cannot hang; regular files ignore the flag.
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return fail(IoError::FromErrno(file, errno));
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int e = errno;
        ::close(fd);
        return fail(IoError::FromErrno(file, e));
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        if (S_ISDIR(st.st_mode))
            return fail(IoError::Content(file, 0, "is a folder, not a file"));
        return fail(
            IoError::Content(file, 0, "is not a regular file (a device, pipe or socket has no end to read to)"));
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::FILE* f = ::fdopen(fd, "rb");
    if (f == nullptr) {
        const int e = errno;
        ::close(fd);
        return fail(IoError::FromErrno(file, e));
    }
    return f;
}

IoStatus CheckReadableFile(const std::filesystem::path& file)
{
    IoResult<std::FILE*> f = OpenInputFile(file);
    if (f)
        std::fclose(*f);
    return f;
}

IoStatus CheckInputFile(const std::filesystem::path& file, CompressedInput compressed)
{
    IoResult<std::FILE*> opened = OpenInputFile(file);
    if (!opened)
        return opened;
    std::FILE* f = *opened;
    std::string head(kSniffBytes, '\0');
    head.resize(std::fread(head.data(), 1, head.size(), f));
    const bool failed = std::ferror(f) != 0;
    const int readError = errno;
    std::fclose(f);
    if (failed)
        return IoError::FromErrno(file, readError);
    if (const std::string_view reason = CompressedInputReason(head); !reason.empty())
        return compressed == CompressedInput::Decoded ? IoStatus() : IoError::Content(file, 0, std::string(reason));
    if (const std::size_t nul = head.find('\0'); nul != std::string::npos)
        return IoError::Content(file, 0,
                                "holds binary data (a NUL byte at offset " + std::to_string(nul) + "), not text");
    return {};
}

IoStatus CheckOutputsAgainstInputs(const std::vector<std::filesystem::path>& inputs,
                                   const std::vector<std::filesystem::path>& outputs)
{
    // Each file looked at once: a run checks hundreds of outputs against its inputs.
    struct Identity {
        struct stat st {}; // before `exists`, whose initialiser fills it
        bool exists = false;
        std::filesystem::path normalised;
        explicit Identity(const std::filesystem::path& file)
            : exists(::stat(file.c_str(), &st) == 0), normalised(Normalised(file))
        {
        }
        bool operator==(const Identity& other) const
        {
            if (exists && other.exists)
                return st.st_dev == other.st.st_dev && st.st_ino == other.st.st_ino;
            return normalised == other.normalised;
        }
    };
    std::vector<std::pair<const std::filesystem::path*, Identity>> known;
    for (const std::filesystem::path& input : inputs)
        if (!input.empty())
            known.emplace_back(&input, Identity(input));
    for (const std::filesystem::path& output : outputs) {
        if (output.empty())
            continue;
        const Identity identity(output);
        for (const auto& [input, inputIdentity] : known)
            if (identity == inputIdentity)
                return Clash(output, *input);
    }
    return {};
}

IoStatus CheckNamesInFolders(const std::vector<std::filesystem::path>& files,
                             const std::vector<std::filesystem::path>& dirs,
                             const std::function<bool(std::string_view name)>& written)
{
    std::vector<std::filesystem::path> folders;
    folders.reserve(dirs.size());
    for (const std::filesystem::path& dir : dirs)
        folders.push_back(Normalised(dir.empty() ? std::filesystem::path(".") : dir));
    for (const std::filesystem::path& file : files) {
        if (file.empty())
            continue;
        // The name a link leads to is the one an output would replace.
        const std::filesystem::path full = Normalised(file);
        const std::string name = full.filename().string();
        for (const std::filesystem::path& folder : folders)
            if (written(name) && (full.parent_path() == folder || SameFile(folder / name, file)))
                return Clash(folder / name, file);
    }
    return {};
}

} // namespace lirovane
