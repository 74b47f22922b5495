#include "safe_replace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <vector>

#include "replace_file.h"

namespace id3 {
namespace {

// Copies through memory; the fallback where the kernel cannot copy between the files itself.
bool CopyThroughBuffer(const FileSource& source, int64_t offset, int64_t length, int destination,
                       int64_t at, std::span<uint8_t> workBuffer) {
    std::vector<uint8_t> own;
    std::span<uint8_t> buffer = workBuffer;
    if (buffer.empty()) {
        own.resize(static_cast<size_t>(std::min<int64_t>(length, int64_t{1} << 20)));
        buffer = own;
    }
    while (length > 0) {
        const auto chunk = static_cast<size_t>(std::min<int64_t>(length, buffer.size()));
        if (source.ReadAt(offset, buffer.data(), chunk) != chunk ||
            !WriteAllAt(destination, at, buffer.first(chunk))) {
            return false;
        }
        offset += static_cast<int64_t>(chunk);
        at += static_cast<int64_t>(chunk);
        length -= static_cast<int64_t>(chunk);
    }
    return true;
}

bool CopyRange(const FileSource& source, int64_t offset, int64_t length, int destination,
               int64_t at, std::span<uint8_t> workBuffer) {
    // The kernel copies page by page; where the two offsets lie differently within their pages
    // (a tag of a new length in front) every page is split, and large copies through memory
    // are about three times faster (100 MB: 30 ms against 100 ms on ext4).
    constexpr int64_t kPage = 4096;
    if (offset % kPage != at % kPage) {
        return CopyThroughBuffer(source, offset, length, destination, at, workBuffer);
    }
    loff_t in = offset;
    loff_t out = at;
    while (length > 0) {
        const ssize_t n =
            ::copy_file_range(source.Fd(), &in, destination, &out, static_cast<size_t>(length), 0);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        // Some file systems cannot copy in the kernel, or report nothing copied; the copy
        // through memory then finds out whether the source really ended early.
        if (n == 0 || (n < 0 && (errno == EXDEV || errno == ENOSYS || errno == EINVAL ||
                                 errno == EOPNOTSUPP || errno == EBADF))) {
            return CopyThroughBuffer(source, in, length, destination, out, workBuffer);
        }
        if (n < 0) {
            return false;  // a write error such as a full disk
        }
        length -= n;
    }
    return true;
}

}  // namespace

bool ReplaceWithPieces(const std::string& path, const FileSource& source,
                       const std::vector<FilePiece>& pieces, std::span<uint8_t> workBuffer) {
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved) == nullptr) {
        return false;
    }
    const std::string target(resolved);
    struct stat st {};
    if (::fstat(source.Fd(), &st) != 0) {
        return false;
    }
    auto temp = platform::PendingFile::Create(target);
    if (!temp) {
        return false;
    }
    int64_t at = 0;
    for (const auto& piece : pieces) {
        if (!piece.Bytes.empty()) {
            if (!WriteAllAt(temp->Fd(), at, piece.Bytes)) {
                return false;
            }
            at += static_cast<int64_t>(piece.Bytes.size());
            continue;
        }
        if (piece.Offset < 0 || piece.Length < 0 || piece.Offset + piece.Length > source.Size() ||
            !CopyRange(source, piece.Offset, piece.Length, temp->Fd(), at, workBuffer)) {
            return false;
        }
        at += piece.Length;
    }
    struct stat written {};
    if (::fstat(temp->Fd(), &written) != 0 || written.st_size != static_cast<off_t>(at)) {
        return false;
    }
    // Keep the owner where we may; the mode always.
    const int ignored = ::fchown(temp->Fd(), st.st_uid, st.st_gid);
    (void)ignored;
    if (::fchmod(temp->Fd(), st.st_mode & 07777) != 0) {
        return false;
    }
    // Synced before and after the rename: a crash leaves the old file or the new one.
    return temp->Commit();
}

bool ReplaceWithHeadAndTail(const std::string& path, const FileSource& source,
                            std::span<const uint8_t> head, int64_t tailOffset, int64_t tailLength,
                            std::span<uint8_t> workBuffer) {
    if (tailOffset < 0 || tailLength < 0 || tailOffset + tailLength > source.Size()) {
        return false;
    }
    std::vector<FilePiece> pieces;
    if (!head.empty()) {
        pieces.push_back({head});
    }
    if (tailLength > 0) {
        pieces.push_back({{}, tailOffset, tailLength});
    }
    return ReplaceWithPieces(path, source, pieces, workBuffer);
}

}  // namespace id3
