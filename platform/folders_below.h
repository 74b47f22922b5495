#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <string_view>

// Folders as a walk over a tree and a writer into an output folder need them: which folder a
// path leads to, and making folders below another one without ever following a link.
namespace platform {

// A folder's identity: the same pair for every path that leads to it through links.
struct FolderId {
    dev_t Device = 0;
    ino_t Inode = 0;
    bool operator==(const FolderId&) const = default;
    auto operator<=>(const FolderId&) const = default;
};

// The identity of the folder `path` leads to, links followed; nullopt when it leads to no
// folder or cannot be looked at.
std::optional<FolderId> FolderIdOf(const std::string& path);

// Why MakeFoldersBelow stopped.
enum class BelowError {
    None,
    Link,        // a part is a symbolic link
    NotAFolder,  // a part is a file or something else that is not a folder
    System,      // the system refused (Errno says why): no right, read-only, no space, ...
};

struct BelowResult {
    BelowError Error = BelowError::None;
    int Errno = 0;     // for System
    std::string Part;  // the relative path up to and including the part that failed
    bool Ok() const { return Error == BelowError::None; }
    bool operator==(const BelowResult&) const = default;
};

// Makes the folders of `relative` ("Album/CD 1"; empty makes none) below the folder `base`,
// one part at a time from an open descriptor of the one before, so that nothing written
// below them can end up outside `base`: a part that is a link, or anything but a folder,
// stops it with that reason, as does a part "." or "..". Folders made get mode 0777 less
// the umask. `base` itself may be reached through links.
BelowResult MakeFoldersBelow(const std::string& base, std::string_view relative);

// What MakeFoldersBelow would meet, making nothing: the first part that is missing ends the
// check as Ok, since nothing below it can be in the way.
BelowResult CheckFoldersBelow(const std::string& base, std::string_view relative);

}  // namespace platform
