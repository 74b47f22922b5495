#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <string_view>

#include "unique_fd.h"

// Replacing a file so that a crash or a power cut leaves the old file or the new one under its
// name, never a part of either: write a temporary file in the same folder, sync it, rename it
// over the old one, sync the folder.
namespace platform {

// The steps of a commit, in order.
enum class ReplaceStep { SyncFile, Rename, SyncFolder };

// A new file under a hidden temporary name in the folder of its target. It takes the target's
// name only at Commit; until then, and when Commit fails before the rename, the destructor
// removes it.
class PendingFile {
public:
    // Creates `<folder of target>/<prefix>XXXXXX`, mode 0600. Nullopt, with errno set, when the
    // folder cannot be written.
    static std::optional<PendingFile> Create(const std::string& target,
                                             std::string_view prefix = ".tonquell-");

    PendingFile(PendingFile&& other) noexcept;
    PendingFile& operator=(PendingFile&& other) noexcept;
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;
    ~PendingFile();

    int Fd() const { return fd_.Get(); }
    const std::string& TempPath() const { return tempPath_; }
    const std::string& Target() const { return target_; }

    // Syncs the file, closes it, renames it over the target and syncs the folder. False, with
    // errno set, on failure; the target is untouched unless only the folder's sync failed.
    bool Commit();
    // Removes the temporary file now, unless committed.
    void Discard();

private:
    PendingFile(UniqueFd fd, std::string tempPath, std::string target);

    UniqueFd fd_;
    std::string tempPath_;
    std::string target_;
    bool done_ = false;
};

// Replaces `path` by a file holding `contents` with permission bits `mode`. False, with errno
// set, on any failure; `path` is then untouched and no temporary file is left.
bool ReplaceFile(const std::string& path, std::string_view contents, mode_t mode);

// Writes all of `contents` at the descriptor's position; false, with errno set, when the disk
// refuses or writes short.
bool WriteAll(int fd, std::string_view contents);

// Syncs the folder that holds `path`, so that a rename inside it survives a crash. False, with
// errno set, on failure.
bool SyncFolderOf(const std::string& path);

// For tests: called before each step of every commit in this process, with the temporary
// file's path; they may change the real world there (fill the disk, turn the folder
// read-only). Returns the observer it replaces; nullptr for none.
using ReplaceObserver = void (*)(ReplaceStep step, const std::string& tempPath);
ReplaceObserver SetReplaceObserver(ReplaceObserver observer);

}  // namespace platform
