// Owns a host file descriptor, closed with its scope.
#pragma once

#include <unistd.h>

#include <utility>

class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    ~UniqueFd() { Close(); }
    UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other) {
            Reset(std::exchange(other.fd_, -1));
        }
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    bool valid() const { return fd_ >= 0; }
    int get() const { return fd_; }
    // Hands the descriptor to the caller, who closes it.
    int Release() { return std::exchange(fd_, -1); }
    // Closes now; false when the close reports a failed write.
    bool Close() { return fd_ < 0 || close(std::exchange(fd_, -1)) == 0; }
    // Closes the one it holds and takes `fd` instead.
    void Reset(int fd = -1) {
        Close();
        fd_ = fd;
    }

private:
    int fd_ = -1;
};
