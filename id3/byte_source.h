#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "unique_fd.h"

namespace id3 {

// Random read access to the bytes of a file or of a buffer.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Length in bytes.
    virtual int64_t Size() const = 0;
    // Copies up to `count` bytes from `offset` into `destination`; returns how many were copied
    // (fewer at the end, 0 for an offset outside the source).
    virtual size_t ReadAt(int64_t offset, uint8_t* destination, size_t count) const = 0;
};

// Up to `count` bytes from `offset`; shorter at the source's end.
std::vector<uint8_t> ReadBytes(const ByteSource& source, int64_t offset, size_t count);

// Exactly `count` bytes from `offset`, zero-filled where the source ends.
std::vector<uint8_t> ReadPadded(const ByteSource& source, int64_t offset, size_t count);

// A source over bytes owned by the caller.
class MemorySource : public ByteSource {
public:
    explicit MemorySource(std::span<const uint8_t> bytes) : bytes_(bytes) {}
    int64_t Size() const override { return static_cast<int64_t>(bytes_.size()); }
    size_t ReadAt(int64_t offset, uint8_t* destination, size_t count) const override;

private:
    std::span<const uint8_t> bytes_;
};

using platform::UniqueFd;

// A regular file opened for one operation.
class FileSource : public ByteSource {
public:
    // Opens an existing regular file, for writing too when `writable`; nullopt on failure, with
    // errno telling why.
    static std::optional<FileSource> Open(const std::string& path, bool writable);
    int64_t Size() const override;
    size_t ReadAt(int64_t offset, uint8_t* destination, size_t count) const override;
    int Fd() const { return fd_.Get(); }
    // Gives up the descriptor; the source is unusable afterwards.
    UniqueFd TakeFd() { return std::move(fd_); }

private:
    explicit FileSource(UniqueFd fd) : fd_(std::move(fd)) {}
    UniqueFd fd_;
};

// Closes `fd` on a short-lived thread of its own. Closing the last descriptor of a replaced
// large file frees its blocks, which takes long enough to be worth not waiting for.
void CloseInBackground(UniqueFd fd);

// Writes all of `bytes` at `offset`; false on any failed or short write.
bool WriteAllAt(int fd, int64_t offset, std::span<const uint8_t> bytes);

}  // namespace id3
