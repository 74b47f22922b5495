#include "drive_list.h"

#include <fstream>
#include <sstream>

namespace file_lists {
namespace {

// File systems that hold no user's files.
bool IsPseudo(std::string_view type) {
    static constexpr std::string_view kPseudo[] = {
        "proc",       "sysfs",   "devtmpfs",    "devpts",   "tmpfs",
        "cgroup",     "cgroup2", "securityfs",  "pstore",   "bpf",
        "debugfs",    "tracefs", "configfs",    "fusectl",  "mqueue",
        "hugetlbfs",  "autofs",  "binfmt_misc", "efivarfs", "rpc_pipefs",
        "nsfs",       "overlay", "squashfs",    "ramfs",    "fuse.gvfsd-fuse",
        "fuse.portal"};
    for (std::string_view p : kPseudo) {
        if (type == p) {
            return true;
        }
    }
    return false;
}

// The mount table writes blanks, tabs, newlines and backslashes as \ooo.
std::string Unescape(std::string_view field) {
    std::string out;
    out.reserve(field.size());
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            const std::string_view oct = field.substr(i + 1, 3);
            if (oct.size() == 3 && oct[0] >= '0' && oct[0] <= '3' && oct[1] >= '0' &&
                oct[1] <= '7' && oct[2] >= '0' && oct[2] <= '7') {
                out.push_back(
                    static_cast<char>((oct[0] - '0') * 64 + (oct[1] - '0') * 8 + (oct[2] - '0')));
                i += 3;
                continue;
            }
        }
        out.push_back(field[i]);
    }
    return out;
}

bool Under(std::string_view path, std::string_view folder) {
    return path.size() > folder.size() && path.substr(0, folder.size()) == folder &&
           path[folder.size()] == '/';
}

bool IsDrive(std::string_view mountPoint) {
    return Under(mountPoint, "/media") || Under(mountPoint, "/mnt") ||
           Under(mountPoint, "/run/media") || mountPoint == "/home";
}

}  // namespace

std::vector<Drive> ParseDrives(std::string_view mounts) {
    std::vector<Drive> drives{Drive{"/", ""}};
    while (!mounts.empty()) {
        const std::size_t eol = mounts.find('\n');
        std::string_view line = mounts.substr(0, eol);
        mounts.remove_prefix(eol == std::string_view::npos ? mounts.size() : eol + 1);
        // device mount-point type options ...
        std::string_view fields[3];
        for (auto& field : fields) {
            const std::size_t start = line.find_first_not_of(" \t");
            if (start == std::string_view::npos) {
                line = {};
                break;
            }
            line.remove_prefix(start);
            const std::size_t end = line.find_first_of(" \t");
            field = line.substr(0, end);
            line.remove_prefix(end == std::string_view::npos ? line.size() : end);
        }
        if (fields[2].empty()) {
            continue;
        }
        std::string mountPoint = Unescape(fields[1]);
        while (mountPoint.size() > 1 && mountPoint.back() == '/') {
            mountPoint.pop_back();
        }
        if (mountPoint == "/") {
            drives.front().FileSystem = std::string(fields[2]);
            continue;
        }
        if (IsPseudo(fields[2]) || !IsDrive(mountPoint)) {
            continue;
        }
        bool known = false;
        for (const Drive& d : drives) {
            known = known || d.MountPoint == mountPoint;
        }
        if (!known) {
            drives.push_back({std::move(mountPoint), std::string(fields[2])});
        }
    }
    return drives;
}

std::string DriveOf(const std::vector<Drive>& drives, std::string_view folder) {
    std::string_view best = "/";
    for (const Drive& d : drives) {
        if ((folder == d.MountPoint || Under(folder, d.MountPoint)) &&
            d.MountPoint.size() > best.size()) {
            best = d.MountPoint;
        }
    }
    return std::string(best);
}

void DriveList::Read(const std::string& mountsFile) {
    std::ifstream in(mountsFile, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    drives_ = ParseDrives(text.str());
}

}  // namespace file_lists
