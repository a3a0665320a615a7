#pragma once

#include "core/files/io_error.h"

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string_view>
#include <vector>

namespace lirovane {

// Opens a regular file for reading. A folder, a device or a pipe is refused without
// blocking on it (a pipe with no writer would hang the open, /dev/zero never ends).
// The caller closes the stream.
IoResult<std::FILE*> OpenInputFile(const std::filesystem::path& file);

// The checks of OpenInputFile without keeping the file open.
IoStatus CheckReadableFile(const std::filesystem::path& file);

// Whether the reader of an input decompresses gzip and BGZF (sequence files do).
enum class CompressedInput { Refused, Decoded };

// Checks a text input before it is read: it must be a regular file (a folder, a
// device such as /dev/zero or a pipe would give nothing or never end), it must open
// for reading, and its first block must look like text: no NUL byte, and no
// compressed stream unless its reader decodes one. Nothing else is read.
// The window reads whatever file the user named as a plain stream of tokens;
// the command line calls this first and refuses such input with its reason.
IoStatus CheckInputFile(const std::filesystem::path& file, CompressedInput compressed = CompressedInput::Refused);

// Why the first bytes of a file are compressed data that a plain text reader cannot
// take; empty when they are not.
std::string_view CompressedInputReason(std::string_view head);

// The same device and inode for files that exist, else the same normalised absolute path.
bool SameFile(const std::filesystem::path& a, const std::filesystem::path& b);

// Fails, naming both files, when an output would replace one of the inputs: the same
// device and inode for files that exist, the same normalised absolute path for
// outputs not yet there. Call it before anything is written.
IoStatus CheckOutputsAgainstInputs(const std::vector<std::filesystem::path>& inputs,
                                   const std::vector<std::filesystem::path>& outputs);

// Files that lie in one of `dirs` under a name that `written` says a run writes there
// (its pictures, whose names are not known before the run). Fails naming the first one.
IoStatus CheckNamesInFolders(const std::vector<std::filesystem::path>& files,
                             const std::vector<std::filesystem::path>& dirs,
                             const std::function<bool(std::string_view name)>& written);

} // namespace lirovane
