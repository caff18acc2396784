// The plain file calls under the registry file: a descriptor closed with its
// scope, the Win32 code of a failed call's errno, and the directory a path
// lies in.
#pragma once

#include <unistd.h>

#include <cerrno>
#include <string>
#include <utility>

#include "platform/types.h"

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() { Close(); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // Closes now; false when the close reports a failed write.
    bool Close() { return fd_ < 0 || close(std::exchange(fd_, -1)) == 0; }
    // Closes the one it holds and takes `fd` instead.
    void Reset(int fd) {
        Close();
        fd_ = fd;
    }

private:
    int fd_;
};

inline LONG ErrorFromErrno() {
    switch (errno) {
    case ENOENT:
    case ENOTDIR:
        return ERROR_FILE_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS:
        return ERROR_ACCESS_DENIED;
    case ENOSPC:
    case EDQUOT:
        return ERROR_DISK_FULL;
    case ENOMEM:
        return ERROR_NOT_ENOUGH_MEMORY;
    default:
        return ERROR_GEN_FAILURE;
    }
}

// "." for a bare name, "/" for a name in the root.
inline std::string DirectoryOf(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}
