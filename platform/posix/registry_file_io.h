// The plain file calls under the registry file: the Win32 code of a failed
// call's errno, and the directory a path lies in.
#pragma once

#include <cerrno>
#include <string>

#include "platform/types.h"

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
