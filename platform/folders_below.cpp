#include "folders_below.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "unique_fd.h"

namespace platform {
namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

// Opens the folder `name` inside `parent` without following a link; makes it when missing and
// `make` says so. An invalid descriptor when it cannot, with `result` set unless the folder is
// only missing (and not to be made).
UniqueFd OpenOrMake(int parent, const std::string& name, bool make, BelowResult& result) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        UniqueFd child(::openat(parent, name.c_str(), kFolderFlags | O_NOFOLLOW));
        if (child.Valid()) {
            return child;
        }
        const int error = errno;
        if (error == ENOENT && !make) {
            return UniqueFd();
        }
        if (error == ENOENT && attempt == 0) {
            // Made here or by someone else meanwhile: either way it is opened again.
            if (::mkdirat(parent, name.c_str(), 0777) == 0 || errno == EEXIST) {
                continue;
            }
            result.Error = BelowError::System;
            result.Errno = errno;
            return UniqueFd();
        }
        struct stat st {};
        if (::fstatat(parent, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
            if (S_ISLNK(st.st_mode)) {
                result.Error = BelowError::Link;
                return UniqueFd();
            }
            if (!S_ISDIR(st.st_mode)) {
                result.Error = BelowError::NotAFolder;
                return UniqueFd();
            }
        }
        result.Error = BelowError::System;
        result.Errno = error;
        return UniqueFd();
    }
    result.Error = BelowError::System;
    result.Errno = ENOENT;
    return UniqueFd();
}

BelowResult WalkBelow(const std::string& base, std::string_view relative, bool make) {
    BelowResult result;
    UniqueFd here(::open(base.c_str(), kFolderFlags));
    if (!here.Valid() && !make && errno == ENOENT) {
        return result;  // the base itself is still to be made
    }
    if (!here.Valid()) {
        result.Error = errno == ENOTDIR ? BelowError::NotAFolder : BelowError::System;
        result.Errno = errno;
        return result;
    }
    std::size_t start = 0;
    while (start < relative.size()) {
        std::size_t end = relative.find('/', start);
        if (end == std::string_view::npos) {
            end = relative.size();
        }
        const std::string name(relative.substr(start, end - start));
        result.Part = std::string(relative.substr(0, end));
        if (name == "." || name == "..") {
            result.Error = BelowError::NotAFolder;
            return result;
        }
        if (!name.empty()) {
            UniqueFd next = OpenOrMake(here.Get(), name, make, result);
            if (!next.Valid()) {
                if (result.Ok()) {
                    break;  // missing: nothing below it can be in the way
                }
                return result;
            }
            here = std::move(next);
        }
        start = end + 1;
    }
    result.Part.clear();
    return result;
}

}  // namespace

std::optional<FolderId> FolderIdOf(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        return std::nullopt;
    }
    return FolderId{st.st_dev, st.st_ino};
}

BelowResult MakeFoldersBelow(const std::string& base, std::string_view relative) {
    return WalkBelow(base, relative, true);
}

BelowResult CheckFoldersBelow(const std::string& base, std::string_view relative) {
    return WalkBelow(base, relative, false);
}

}  // namespace platform
