#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "replace_file.h"
#include "status.h"

namespace transcoder {

// A file written under a temporary name in the folder of its final name. It takes the
// final name only at Commit; until then (on an error, a return, SIGINT, SIGTERM or SIGHUP)
// the temporary file is removed. A kill that cannot be caught leaves only the hidden
// temporary file, never a partial file under the final name.
class OutputFile {
public:
    // Creates the temporary file beside `finalPath`; fails when the folder cannot be written,
    // `finalPath` names a folder or its name is longer than the file system allows.
    static Result<std::unique_ptr<OutputFile>> Create(const std::string& finalPath);

    int Fd() const { return fd_; }
    const std::string& FinalPath() const { return finalPath_; }

    // Buffered write at the end of the file; fails when the disk refuses.
    Status Write(const void* data, std::size_t size);

    // Writes `size` bytes at `offset` (after flushing the buffer); fails when the disk refuses.
    Status WriteAt(std::uint64_t offset, const void* data, std::size_t size);

    // Writes out the buffer; nothing more is written after it. Fails when the disk refuses.
    Status Close();

    // Syncs the file, gives it its final name (replacing a file of that name) and syncs the
    // folder. On failure the final name is left as it was.
    Status Commit();

    // Removes the temporary file unless it was committed.
    ~OutputFile();

    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

private:
    OutputFile() = default;
    Status Flush();

    std::string finalPath_;
    std::optional<platform::PendingFile> pending_;
    int fd_ = -1;  // the pending file's descriptor while it is open for writing
    int slot_ = -1;
    bool committed_ = false;
    std::vector<unsigned char> buffer_;
};

// Appends the first `bytes` bytes of `encoded`, as an encoder call reported them: a negative
// count is the encoder's failure, told under `encoderName`.
Status WriteEncoded(OutputFile& file, const std::vector<unsigned char>& encoded, int bytes,
                    const char* encoderName);

// Removes the committed file `path` again (used when a set of files cannot be completed).
void RemoveFile(const std::string& path);

}  // namespace transcoder
