#include "output_file.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

namespace transcoder {
namespace {

// Temporary paths that a signal handler must remove. Fixed storage, so the handler
// touches no allocator.
constexpr int kSlots = 16;
constexpr std::size_t kPathMax = 4096;
std::array<std::array<char, kPathMax>, kSlots> pendingPaths{};
std::array<volatile sig_atomic_t, kSlots> pendingUsed{};

extern "C" void RemovePendingAndExit(int sig) {
    for (int i = 0; i < kSlots; ++i) {
        if (pendingUsed[i] != 0) {
            unlink(pendingPaths[i].data());
        }
    }
    signal(sig, SIG_DFL);
    raise(sig);
}

void InstallHandlers() {
    static bool installed = false;
    if (installed) {
        return;
    }
    installed = true;
    struct sigaction action {};
    action.sa_handler = RemovePendingAndExit;
    sigemptyset(&action.sa_mask);
    for (const int sig : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) {
        sigaction(sig, &action, nullptr);
    }
}

int Register(const std::string& path) {
    if (path.size() >= kPathMax) {
        return -1;
    }
    for (int i = 0; i < kSlots; ++i) {
        if (pendingUsed[i] == 0) {
            std::memcpy(pendingPaths[i].data(), path.c_str(), path.size() + 1);
            pendingUsed[i] = 1;
            return i;
        }
    }
    return -1;
}

void Unregister(int slot) {
    if (slot >= 0) {
        pendingUsed[slot] = 0;
    }
}

std::string Reason(int err) {
    return std::strerror(err);
}

constexpr std::size_t kBufferSize = 1 << 16;
constexpr char kTempPrefix[] = ".tq-";

}  // namespace

Result<std::unique_ptr<OutputFile>> OutputFile::Create(const std::string& finalPath) {
    struct stat info {};
    if (stat(finalPath.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
        return Status::Failure("the output name is a folder");
    }
    const std::size_t slash = finalPath.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : finalPath.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? finalPath : finalPath.substr(slash + 1);
    // The final name may be as long as the file system allows, so the temporary name
    // must not grow from it: a short hidden name of its own in the same folder.
    const long nameMax = pathconf(folder.empty() ? "." : folder.c_str(), _PC_NAME_MAX);
    if (nameMax > 0 && name.size() > static_cast<std::size_t>(nameMax)) {
        return Status::Failure("the output name is longer than the file system allows (" +
                               std::to_string(name.size()) + " bytes, at most " +
                               std::to_string(nameMax) + ")");
    }
    InstallHandlers();
    std::unique_ptr<OutputFile> file(new OutputFile());
    // A stop signal between creating the temporary file and registering it would leave the
    // file behind: hold the signals back until the handler knows the name.
    sigset_t stops{};
    sigset_t previous{};
    sigemptyset(&stops);
    for (const int sig : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) {
        sigaddset(&stops, sig);
    }
    sigprocmask(SIG_BLOCK, &stops, &previous);
    auto pending = platform::PendingFile::Create(finalPath, kTempPrefix);
    const int createError = errno;
    if (pending) {
        file->slot_ = Register(pending->TempPath());
    }
    sigprocmask(SIG_SETMASK, &previous, nullptr);
    if (!pending) {
        return Status::Failure("cannot write to the output folder: " + Reason(createError));
    }
    file->fd_ = pending->Fd();
    fchmod(
        file->fd_, 0644 & ~[] {
            const mode_t mask = umask(0);
            umask(mask);
            return mask;
        }());
    file->pending_ = std::move(pending);
    file->finalPath_ = finalPath;
    file->buffer_.reserve(kBufferSize);
    return file;
}

Status OutputFile::Flush() {
    std::size_t done = 0;
    while (done < buffer_.size()) {
        const ssize_t n = write(fd_, buffer_.data() + done, buffer_.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return Status::Failure("cannot write the output file: " +
                                   Reason(n < 0 ? errno : ENOSPC));
        }
        done += static_cast<std::size_t>(n);
    }
    buffer_.clear();
    return Status::Ok();
}

Status OutputFile::Write(const void* data, std::size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    if (buffer_.size() + size > kBufferSize) {
        if (Status flushed = Flush(); !flushed.ok()) {
            return flushed;
        }
    }
    if (size >= kBufferSize) {
        buffer_.assign(bytes, bytes + size);
        return Flush();
    }
    buffer_.insert(buffer_.end(), bytes, bytes + size);
    return Status::Ok();
}

Status OutputFile::WriteAt(std::uint64_t offset, const void* data, std::size_t size) {
    if (Status flushed = Flush(); !flushed.ok()) {
        return flushed;
    }
    const ssize_t n = pwrite(fd_, data, size, static_cast<off_t>(offset));
    if (n != static_cast<ssize_t>(size)) {
        return Status::Failure("cannot write the output file: " + Reason(n < 0 ? errno : ENOSPC));
    }
    return Status::Ok();
}

Status OutputFile::Close() {
    if (fd_ < 0) {
        return Status::Ok();
    }
    Status flushed = Flush();
    fd_ = -1;
    return flushed;
}

Status OutputFile::Commit() {
    if (Status closed = Close(); !closed.ok()) {
        return closed;
    }
    // Synced, renamed over the final name, and the folder synced: after a crash the final
    // name holds the old file or the whole new one.
    if (!pending_ || !pending_->Commit()) {
        return Status::Failure("cannot create the output file: " + Reason(errno));
    }
    committed_ = true;
    Unregister(slot_);
    return Status::Ok();
}

OutputFile::~OutputFile() {
    // The pending file removes itself unless it was committed; only then may the signal
    // handler forget its name.
    pending_.reset();
    Unregister(slot_);
}

void RemoveFile(const std::string& path) {
    unlink(path.c_str());
}

Status WriteEncoded(OutputFile& file, const std::vector<unsigned char>& encoded, int bytes,
                    const char* encoderName) {
    if (bytes < 0) {
        return Status::Failure(std::string("the ") + encoderName + " encoder failed (code " +
                               std::to_string(bytes) + ")");
    }
    return file.Write(encoded.data(), std::min(static_cast<std::size_t>(bytes), encoded.size()));
}

}  // namespace transcoder
