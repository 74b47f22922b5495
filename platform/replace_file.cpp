#include "replace_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <utility>

namespace platform {
namespace {

std::atomic<ReplaceObserver> observer{nullptr};

void Notify(ReplaceStep step, const std::string& tempPath) {
    if (const ReplaceObserver current = observer.load()) {
        current(step, tempPath);
    }
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

}  // namespace

PendingFile::PendingFile(UniqueFd fd, std::string tempPath, std::string target)
    : fd_(std::move(fd)), tempPath_(std::move(tempPath)), target_(std::move(target)) {}

PendingFile::PendingFile(PendingFile&& other) noexcept
    : fd_(std::move(other.fd_)),
      tempPath_(std::move(other.tempPath_)),
      target_(std::move(other.target_)),
      done_(std::exchange(other.done_, true)) {}

PendingFile& PendingFile::operator=(PendingFile&& other) noexcept {
    if (this != &other) {
        Discard();
        fd_ = std::move(other.fd_);
        tempPath_ = std::move(other.tempPath_);
        target_ = std::move(other.target_);
        done_ = std::exchange(other.done_, true);
    }
    return *this;
}

PendingFile::~PendingFile() {
    Discard();
}

std::optional<PendingFile> PendingFile::Create(const std::string& target, std::string_view prefix) {
    std::string pattern = FolderOf(target) + "/";
    pattern.append(prefix);
    pattern += "XXXXXX";
    UniqueFd fd(::mkostemp(pattern.data(), O_CLOEXEC));
    if (!fd.Valid()) {
        return std::nullopt;
    }
    return PendingFile(std::move(fd), std::move(pattern), target);
}

bool PendingFile::Commit() {
    if (done_) {
        errno = EBADF;
        return false;
    }
    Notify(ReplaceStep::SyncFile, tempPath_);
    // fsync, not fdatasync: the size and mode must be on disk before the name points at them.
    if (::fsync(fd_.Get()) != 0 || !fd_.Close()) {
        const int error = errno;
        Discard();
        errno = error;
        return false;
    }
    Notify(ReplaceStep::Rename, tempPath_);
    if (::rename(tempPath_.c_str(), target_.c_str()) != 0) {
        const int error = errno;
        Discard();
        errno = error;
        return false;
    }
    done_ = true;
    Notify(ReplaceStep::SyncFolder, tempPath_);
    return SyncFolderOf(target_);
}

void PendingFile::Discard() {
    fd_.Close();
    if (!done_) {
        done_ = true;
        const int error = errno;
        ::unlink(tempPath_.c_str());
        errno = error;
    }
}

bool WriteAll(int fd, std::string_view contents) {
    const char* p = contents.data();
    std::size_t left = contents.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            if (n == 0) {
                errno = ENOSPC;
            }
            return false;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

bool SyncFolderOf(const std::string& path) {
    const UniqueFd folder(::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.Valid()) {
        return false;
    }
    // Some file systems cannot sync a folder at all; the rename is then as durable as they make it.
    return ::fsync(folder.Get()) == 0 || errno == EINVAL;
}

bool ReplaceFile(const std::string& path, std::string_view contents, mode_t mode) {
    auto file = PendingFile::Create(path);
    if (!file) {
        return false;
    }
    if (!WriteAll(file->Fd(), contents) || ::fchmod(file->Fd(), mode) != 0) {
        const int error = errno;
        file->Discard();
        errno = error;
        return false;
    }
    return file->Commit();
}

ReplaceObserver SetReplaceObserver(ReplaceObserver next) {
    return observer.exchange(next);
}

}  // namespace platform
