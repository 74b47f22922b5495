#include "byte_source.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>
#include <thread>

namespace id3 {

std::vector<uint8_t> ReadBytes(const ByteSource& source, int64_t offset, size_t count) {
    const int64_t size = source.Size();
    if (offset < 0 || offset >= size) {
        return {};
    }
    const auto available = static_cast<size_t>(std::min<int64_t>(size - offset, INT64_MAX));
    std::vector<uint8_t> out(std::min(count, available));
    out.resize(source.ReadAt(offset, out.data(), out.size()));
    return out;
}

std::vector<uint8_t> ReadPadded(const ByteSource& source, int64_t offset, size_t count) {
    std::vector<uint8_t> out = ReadBytes(source, offset, count);
    out.resize(count, 0);
    return out;
}

size_t MemorySource::ReadAt(int64_t offset, uint8_t* destination, size_t count) const {
    if (offset < 0 || offset >= Size()) {
        return 0;
    }
    const size_t n = std::min(count, bytes_.size() - static_cast<size_t>(offset));
    if (n > 0) {  // an empty read may come with no destination at all
        std::memcpy(destination, bytes_.data() + offset, n);
    }
    return n;
}

std::optional<FileSource> FileSource::Open(const std::string& path, bool writable) {
    if (path.empty()) {
        return std::nullopt;
    }
    UniqueFd fd(::open(path.c_str(), (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC | O_NOCTTY));
    struct stat st {};
    if (!fd.Valid() || ::fstat(fd.Get(), &st) != 0) {
        return std::nullopt;
    }
    if (!S_ISREG(st.st_mode)) {
        errno = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;  // the reason a caller may report
        return std::nullopt;
    }
    return FileSource(std::move(fd));
}

int64_t FileSource::Size() const {
    struct stat st {};
    return ::fstat(fd_.Get(), &st) == 0 ? static_cast<int64_t>(st.st_size) : 0;
}

size_t FileSource::ReadAt(int64_t offset, uint8_t* destination, size_t count) const {
    size_t done = 0;
    while (done < count && offset >= 0) {
        const ssize_t n = ::pread(fd_.Get(), destination + done, count - done,
                                  static_cast<off_t>(offset + static_cast<int64_t>(done)));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        done += static_cast<size_t>(n);
    }
    return done;
}

void CloseInBackground(UniqueFd fd) {
    const int raw = fd.Release();
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
    // A fuzzer must see the same code run for the same input, not a thread finishing later.
    ::close(raw);
    return;
#endif
    try {
        std::thread([raw] { ::close(raw); }).detach();
    } catch (const std::system_error&) {
        ::close(raw);
    }
}

bool WriteAllAt(int fd, int64_t offset, std::span<const uint8_t> bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::pwrite(fd, bytes.data() + done, bytes.size() - done,
                                   static_cast<off_t>(offset + static_cast<int64_t>(done)));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace id3
