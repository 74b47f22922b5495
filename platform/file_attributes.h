#pragma once

#include <cstddef>
#include <string>

namespace platform {

// True only for a regular file that can be opened for reading; false for folders,
// missing files, files without read access and the empty path.
bool FileExists(const std::string& path);

// True when the owner may not write the file (the read-only attribute). False when missing.
bool IsReadOnly(const std::string& path);

// Gives the owner write permission. False when the file's mode could not be changed.
bool ClearReadOnly(const std::string& path);

// True when `path` names a folder.
bool IsDirectory(const std::string& path);

// True when anything at all is at `path` (a file of any kind, readable or not, a folder, a
// dangling link): a name that a new file must not take.
bool NameTaken(const std::string& path);

// True when `a` and `b` lead to one and the same file (links followed); false when either
// cannot be looked at.
bool SameFile(const std::string& a, const std::string& b);

// The longest name, in bytes, that a file in `folder` may have; 255 when the system cannot
// say (the limit of the common Linux file systems).
std::size_t NameMax(const std::string& folder);

// True when `path` leads (links followed) to a regular file; told from its attributes alone,
// without opening it, so a named pipe or a device is never opened or waited on.
bool IsRegularFile(const std::string& path);

// True when `path` names a regular file that the caller may execute.
bool IsExecutableFile(const std::string& path);

}  // namespace platform
