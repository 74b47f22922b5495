#include "folders_below.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "unique_fd.h"

namespace platform {
namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

// Opens the folder `name` inside `parent` without following a link; makes it when missing.
// An invalid descriptor with `result` set when it cannot.
UniqueFd OpenOrMake(int parent, const std::string& name, BelowResult& result) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        UniqueFd child(::openat(parent, name.c_str(), kFolderFlags | O_NOFOLLOW));
        if (child.Valid()) {
            return child;
        }
        const int error = errno;
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

}  // namespace

std::optional<FolderId> FolderIdOf(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        return std::nullopt;
    }
    return FolderId{st.st_dev, st.st_ino};
}

BelowResult MakeFoldersBelow(const std::string& base, std::string_view relative) {
    BelowResult result;
    UniqueFd here(::open(base.c_str(), kFolderFlags));
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
            UniqueFd next = OpenOrMake(here.Get(), name, result);
            if (!next.Valid()) {
                return result;
            }
            here = std::move(next);
        }
        start = end + 1;
    }
    result.Part.clear();
    return result;
}

}  // namespace platform
