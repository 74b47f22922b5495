#pragma once

#include <string>

namespace platform {

// An exclusive lock held for the life of the process, keyed on a name such as the
// executable's path. The kernel drops the lock when the process ends in any way, so a
// crashed instance never blocks the next start.
class SingleInstanceLock {
public:
    // Tries to take the lock for `key` in `lockFolder` (the user's runtime folder when
    // empty). Acquired() tells whether this process is the only instance.
    explicit SingleInstanceLock(const std::string& key, const std::string& lockFolder = {});
    ~SingleInstanceLock();
    SingleInstanceLock(const SingleInstanceLock&) = delete;
    SingleInstanceLock& operator=(const SingleInstanceLock&) = delete;

    // True when this process holds the lock; false when another process holds it.
    // A lock file that cannot be created counts as acquired: never refuse to start for that.
    bool Acquired() const { return acquired_; }

    // The path of the lock file.
    const std::string& LockPath() const { return path_; }

private:
    int fd_ = -1;
    bool acquired_ = false;
    std::string path_;
};

// The folder for per-user runtime files: $XDG_RUNTIME_DIR, else the temporary folder.
std::string RuntimeFolder();

}  // namespace platform
