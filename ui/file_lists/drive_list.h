#pragma once

#include <string>
#include <string_view>
#include <vector>

// The drive list: what a Linux user calls drives. "/" first, then the mounted file systems
// under /media, /mnt and /run/media and a separately mounted /home; no pseudo file systems.
namespace file_lists {

struct Drive {
    std::string MountPoint;  // absolute, no closing "/" except for "/"
    std::string FileSystem;  // the type as the mount table names it
    bool operator==(const Drive&) const = default;
};

// The drives in the mount table text `mounts` (the format of /proc/self/mounts; octal escapes
// such as \040 decoded), "/" first and always present, the rest in the table's order.
std::vector<Drive> ParseDrives(std::string_view mounts);

// The mount point among `drives` that holds `folder` (longest matching prefix); "/" when none.
std::string DriveOf(const std::vector<Drive>& drives, std::string_view folder);

class DriveList {
public:
    // Reads the mount table file `mountsFile`; only "/" when it cannot be read.
    void Read(const std::string& mountsFile);
    const std::vector<Drive>& Drives() const { return drives_; }

private:
    std::vector<Drive> drives_{Drive{"/", ""}};
};

}  // namespace file_lists
