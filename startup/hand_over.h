#pragma once

#include <sys/types.h>
#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// What a later start hands to the running instance: one absolute file path, or none (then the
// window only comes to the front). On the wire: the four bytes "TQHO", the path's length as a
// 32-bit little-endian number, the path's bytes. The listener answers a message it takes with
// the one byte kHandOverAccepted and closes every other connection without a word.
namespace hand_over {

// The longest path a message may carry, in bytes (the system's path limit).
inline constexpr std::size_t kMaxPathBytes = 4096;
inline constexpr std::size_t kHeaderBytes = 8;
inline constexpr char kHandOverAccepted = 'A';

enum class MessageState {
    Incomplete,  // a valid beginning; more bytes are needed
    Complete,    // exactly one message; `path` holds it
    Malformed,   // wrong tag, bytes after the message, a relative path, a NUL byte
    Oversized,   // the length is above kMaxPathBytes
};

struct Message {
    MessageState state = MessageState::Incomplete;
    std::string path;
    bool operator==(const Message&) const = default;
};

// The message carrying `path`; empty when the path is relative, holds a NUL byte or is too long.
std::string Encode(std::string_view path);

// Reads the bytes received so far on one connection.
Message Decode(std::string_view bytes);

// The listener's socket beside the single-instance lock file `lockPath` (".lock" becomes
// ".sock"; appended when the name has no such ending).
std::string SocketPath(const std::string& lockPath);

// The user id of the process at the other end of the Unix socket `fd`; nothing when the
// system does not say.
std::optional<uid_t> PeerUid(int fd);

enum class SendResult {
    Delivered,   // the listener took the path
    NoListener,  // nobody listened within the patience given
    Refused,     // the listener closed without taking it, or belongs to another user
};

// Connects to the listener at `socketPath` (retrying for up to `patience` while the running
// instance is still starting), checks that it belongs to this user, sends `path` (may be
// empty) and waits up to `patience` for the answer.
SendResult Send(const std::string& socketPath, std::string_view path,
                std::chrono::milliseconds patience);

}  // namespace hand_over
