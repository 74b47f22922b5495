#include "source_bytes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace transcoder {
namespace {

std::uint32_t Le32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::uint32_t SyncSafe28(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0] & 0x7F) << 21 |
           static_cast<std::uint32_t>(p[1] & 0x7F) << 14 |
           static_cast<std::uint32_t>(p[2] & 0x7F) << 7 | static_cast<std::uint32_t>(p[3] & 0x7F);
}

}  // namespace

ByteSpan UntaggedSpan(std::int64_t fileSize, const ReadAt& read) {
    ByteSpan span{0, std::max<std::int64_t>(fileSize, 0)};
    unsigned char head[10];
    while (span.end - span.begin >= 10 && read(span.begin, head, sizeof head) &&
           std::memcmp(head, "ID3", 3) == 0) {
        const bool footer = (head[5] & 0x10) != 0;
        span.begin += 10 + SyncSafe28(head + 6) + (footer ? 10 : 0);
    }
    span.begin = std::min(span.begin, span.end);
    unsigned char tail[128];
    if (span.size() >= 128 && read(span.end - 128, tail, sizeof tail) &&
        std::memcmp(tail, "TAG", 3) == 0) {
        span.end -= 128;
    }
    // An APEv2 footer states the tag's size without its header; a flag tells of the header.
    if (span.size() >= 32 && read(span.end - 32, tail, 32) &&
        std::memcmp(tail, "APETAGEX", 8) == 0) {
        const bool header = (tail[23] & 0x80) != 0;
        span.end -= static_cast<std::int64_t>(Le32(tail + 12)) + (header ? 32 : 0);
        span.end = std::max(span.end, span.begin);
    }
    return span;
}

std::optional<WavData> WavDataChunk(std::int64_t fileSize, const ReadAt& read) {
    unsigned char head[12];
    if (!read(0, head, sizeof head) || std::memcmp(head, "RIFF", 4) != 0 ||
        std::memcmp(head + 8, "WAVE", 4) != 0) {
        return std::nullopt;
    }
    std::int64_t offset = 12;
    unsigned char chunk[8];
    for (int n = 0; n < 4096 && read(offset, chunk, sizeof chunk); ++n) {
        const std::uint32_t size = Le32(chunk + 4);
        offset += 8;
        if (std::memcmp(chunk, "data", 4) == 0) {
            if (size == 0 || size == 0xFFFFFFFFu) {
                return std::nullopt;
            }
            const std::int64_t have = std::max<std::int64_t>(fileSize - offset, 0);
            return WavData{offset, size, std::min<std::int64_t>(have, size)};
        }
        offset += static_cast<std::int64_t>(size) + (size & 1);
    }
    return std::nullopt;
}

std::optional<FileBytes> FileBytes::Open(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return std::nullopt;  // opening a named pipe would wait for its writer
    }
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        return std::nullopt;
    }
    return FileBytes(fd, info.st_size);
}

ReadAt FileBytes::Reader() const {
    const int fd = fd_;
    return [fd](std::int64_t offset, unsigned char* out, std::size_t size) {
        if (offset < 0) {
            return false;
        }
        std::size_t done = 0;
        while (done < size) {
            const ssize_t n = pread(fd, out + done, size - done, offset + static_cast<off_t>(done));
            if (n <= 0) {
                return false;
            }
            done += static_cast<std::size_t>(n);
        }
        return true;
    };
}

FileBytes::FileBytes(FileBytes&& other) noexcept : fd_(other.fd_), size_(other.size_) {
    other.fd_ = -1;
}

FileBytes::~FileBytes() {
    if (fd_ >= 0) {
        close(fd_);
    }
}

}  // namespace transcoder
