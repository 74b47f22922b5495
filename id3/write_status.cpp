#include "write_status.h"

#include <cerrno>
#include <cstring>

namespace id3 {

WriteStatus WriteFailed(const std::string& kind, const std::string& what) {
    return WriteStatus{false, kind + ": " + what};
}

WriteStatus SystemWriteFailed(const std::string& kind, const std::string& action,
                              const std::string& path, const std::string& fallback) {
    const int error = errno;
    const std::string reason = error != 0 ? std::strerror(error) : fallback;
    return WriteFailed(kind, action + " '" + path + "': " + reason);
}

}  // namespace id3
