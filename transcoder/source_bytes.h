#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace transcoder {

// Sizes that a source's own bytes declare, read without FFmpeg: the tags around a bare
// audio stream and the data chunk of a WAV file. The readers take any byte source, so the
// same code runs on files and, in the fuzz tests, on memory.

// Reads `size` bytes at `offset` into `out`; false when they are not all there.
using ReadAt = std::function<bool(std::int64_t offset, unsigned char* out, std::size_t size)>;

// A range of bytes [begin, end) of a source.
struct ByteSpan {
    std::int64_t begin = 0;
    std::int64_t end = 0;
    std::int64_t size() const { return end - begin; }
    bool operator==(const ByteSpan&) const = default;
};

// The bytes of a source of `fileSize` bytes that are not tags: without leading ID3v2 tags
// (one after another), a trailing ID3v1 block and an APEv2 tag at the end or before the ID3v1
// block. Always within [0, fileSize], begin <= end; an empty span when the tags claim all.
ByteSpan UntaggedSpan(std::int64_t fileSize, const ReadAt& read);

// The data chunk of a RIFF WAVE source.
struct WavData {
    std::int64_t offset = 0;    // where its samples start
    std::int64_t declared = 0;  // the bytes its header promises
    std::int64_t present = 0;   // the bytes of it the source holds (at most `declared`)
    bool operator==(const WavData&) const = default;
};

// The data chunk of a RIFF WAVE source of `fileSize` bytes; empty for other sources, for a
// data chunk whose size is left open (0 or 0xFFFFFFFF, as streaming writers and RF64 do), and
// when no data chunk is found among the first 4096 chunks.
std::optional<WavData> WavDataChunk(std::int64_t fileSize, const ReadAt& read);

// A regular file opened for reading at offsets; closed with the object.
class FileBytes {
public:
    // The file `path`; empty for a pipe, a folder or a file that cannot be opened (a pipe
    // must not be read twice, and has no size to compare with).
    static std::optional<FileBytes> Open(const std::string& path);

    std::int64_t size() const { return size_; }
    ReadAt Reader() const;

    FileBytes(FileBytes&& other) noexcept;
    FileBytes& operator=(FileBytes&&) = delete;
    FileBytes(const FileBytes&) = delete;
    FileBytes& operator=(const FileBytes&) = delete;
    ~FileBytes();

private:
    FileBytes(int fd, std::int64_t size) : fd_(fd), size_(size) {}
    int fd_ = -1;
    std::int64_t size_ = 0;
};

}  // namespace transcoder
