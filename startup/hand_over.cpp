#include "hand_over.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <thread>

namespace hand_over {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::string_view kTag = "TQHO";

// A socket descriptor, closed when it goes.
class Socket {
public:
    Socket() : fd_(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0)) {}
    ~Socket() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    int Fd() const { return fd_; }

private:
    int fd_;
};

// Milliseconds left until `deadline`, at least 0.
int MillisLeft(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

// Waits until `fd` is ready for `events` or the deadline passes; false on timeout or error.
bool WaitFor(int fd, short events, Clock::time_point deadline) {
    for (;;) {
        pollfd p{fd, events, 0};
        const int rc = ::poll(&p, 1, MillisLeft(deadline));
        if (rc > 0) {
            return true;
        }
        if (rc == 0 || errno != EINTR) {
            return false;
        }
    }
}

bool ValidPath(std::string_view path) {
    return path.empty() || (path.front() == '/' && path.size() <= kMaxPathBytes &&
                            path.find('\0') == std::string_view::npos);
}

}  // namespace

std::string Encode(std::string_view path) {
    if (!ValidPath(path)) {
        return {};
    }
    std::string message(kTag);
    const auto size = static_cast<std::uint32_t>(path.size());
    for (int shift = 0; shift < 32; shift += 8) {
        message += static_cast<char>((size >> shift) & 0xFF);
    }
    message += path;
    return message;
}

Message Decode(std::string_view bytes) {
    const std::size_t tagBytes = std::min(bytes.size(), kTag.size());
    if (bytes.substr(0, tagBytes) != kTag.substr(0, tagBytes)) {
        return {MessageState::Malformed, {}};
    }
    if (bytes.size() < kHeaderBytes) {
        return {MessageState::Incomplete, {}};
    }
    std::uint32_t size = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        size |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[kTag.size() + i]))
                << (8 * i);
    }
    if (size > kMaxPathBytes) {
        return {MessageState::Oversized, {}};
    }
    const std::size_t total = kHeaderBytes + size;
    if (bytes.size() < total) {
        return {MessageState::Incomplete, {}};
    }
    const std::string_view path = bytes.substr(kHeaderBytes, size);
    if (bytes.size() > total || !ValidPath(path)) {
        return {MessageState::Malformed, {}};
    }
    return {MessageState::Complete, std::string(path)};
}

std::string SocketPath(const std::string& lockPath) {
    constexpr std::string_view kLock = ".lock";
    if (lockPath.size() >= kLock.size() &&
        lockPath.compare(lockPath.size() - kLock.size(), kLock.size(), kLock) == 0) {
        return lockPath.substr(0, lockPath.size() - kLock.size()) + ".sock";
    }
    return lockPath + ".sock";
}

std::optional<uid_t> PeerUid(int fd) {
    ucred credentials{};
    socklen_t size = sizeof credentials;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &size) != 0 ||
        size != sizeof credentials) {
        return std::nullopt;
    }
    return credentials.uid;
}

namespace {

// Connects `socket` to `address`, trying again until `deadline`: the running instance takes
// its lock before it listens, so until then there is no socket, or one left behind by an
// instance that ended. False when nobody listened in time.
bool ConnectWithin(std::optional<Socket>& socket, const sockaddr_un& address,
                   Clock::time_point deadline) {
    for (;;) {
        socket.emplace();
        if (socket->Fd() < 0) {
            return false;
        }
        // A Unix socket connects at once or not at all, also without blocking.
        if (::connect(socket->Fd(), reinterpret_cast<const sockaddr*>(&address), sizeof address) ==
            0) {
            return true;
        }
        if (errno != EINTR && MillisLeft(deadline) == 0) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

// Writes all of `message` to `fd` before `deadline`; false when it could not.
bool SendAll(int fd, const std::string& message, Clock::time_point deadline) {
    std::size_t sent = 0;
    while (sent < message.size()) {
        const ssize_t n = ::send(fd, message.data() + sent, message.size() - sent, MSG_NOSIGNAL);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && errno == EAGAIN && WaitFor(fd, POLLOUT, deadline)) {
            continue;
        } else {
            return false;
        }
    }
    return true;
}

// The running instance's one-byte answer, awaited until `deadline`.
SendResult AwaitAnswer(int fd, Clock::time_point deadline) {
    char answer = 0;
    while (WaitFor(fd, POLLIN, deadline)) {
        const ssize_t n = ::recv(fd, &answer, 1, 0);
        if (n == 1) {
            return answer == kHandOverAccepted ? SendResult::Delivered : SendResult::Refused;
        }
        if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
            break;
        }
    }
    return SendResult::Refused;
}

}  // namespace

SendResult Send(const std::string& socketPath, std::string_view path,
                std::chrono::milliseconds patience) {
    const std::string message = Encode(path);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (message.empty() || socketPath.empty() || socketPath.size() >= sizeof address.sun_path) {
        return message.empty() ? SendResult::Refused : SendResult::NoListener;
    }
    std::memcpy(address.sun_path, socketPath.data(), socketPath.size());
    std::optional<Socket> socket;
    if (!ConnectWithin(socket, address, Clock::now() + patience)) {
        return SendResult::NoListener;
    }
    // A socket of another user in a shared folder is not ours to tell a path to.
    if (PeerUid(socket->Fd()) != ::getuid()) {
        return SendResult::Refused;
    }
    const auto deadline = Clock::now() + patience;
    if (!SendAll(socket->Fd(), message, deadline)) {
        return SendResult::Refused;
    }
    return AwaitAnswer(socket->Fd(), deadline);
}

}  // namespace hand_over
