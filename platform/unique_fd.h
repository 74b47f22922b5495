#pragma once

namespace platform {

// An open file descriptor, closed when the object goes.
class UniqueFd {
public:
    explicit UniqueFd(int fd = -1) : fd_(fd) {}
    UniqueFd(UniqueFd&& other) noexcept : fd_(other.Release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept;
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd();
    int Get() const { return fd_; }
    bool Valid() const { return fd_ >= 0; }
    // Gives up ownership and returns the descriptor.
    int Release();
    // Closes now; false when close reported an error (a write-back failure).
    bool Close();

private:
    int fd_;
};

}  // namespace platform
