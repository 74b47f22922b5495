#pragma once

#include <sys/mount.h>

#include <cerrno>
#include <filesystem>
#include <string>

namespace testing_support {

// A tmpfs of `bytes` bytes mounted on `folder` (created if missing), for tests that need a
// disk that fills up or a folder that turns read-only. Mounting needs the right to mount, as
// root has; elsewhere Mounted() is false and such tests skip themselves.
class SmallDisk {
public:
    SmallDisk(const std::filesystem::path& folder, std::size_t bytes)
        : folder_(folder), options_("size=" + std::to_string(bytes) + ",mode=0755") {
        std::error_code ec;
        std::filesystem::create_directories(folder_, ec);
        mounted_ = ::mount("tmpfs", folder_.c_str(), "tmpfs", 0, options_.c_str()) == 0;
    }
    ~SmallDisk() {
        if (mounted_) {
            ::umount2(folder_.c_str(), MNT_DETACH);
        }
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool Mounted() const { return mounted_; }
    const std::filesystem::path& Folder() const { return folder_; }
    std::string File(const std::string& name) const { return (folder_ / name).string(); }

    // Remounts read-only or writable again; false when the kernel refuses (a file is still
    // open for writing).
    bool SetReadOnly(bool readOnly) const {
        const unsigned long flags = MS_REMOUNT | (readOnly ? MS_RDONLY : 0);
        return ::mount("tmpfs", folder_.c_str(), "tmpfs", flags, options_.c_str()) == 0;
    }

private:
    std::filesystem::path folder_;
    std::string options_;
    bool mounted_ = false;
};

}  // namespace testing_support
