#include "lower/hostdir/posix/host_root.h"

#include <fcntl.h>

#include <cerrno>

#include "lower/hostdir/posix/host_errors.h"
#include "lower/hostdir/posix/host_stat.h"
#include "platform/last_error.h"

namespace {

// Opens the directory entry `name` of `directory` as a directory, refusing a
// symbolic link in its place.
UniqueFd OpenStep(int directory, const char* name) {
    UniqueFd next(openat(directory, name, O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (next.valid()) {
        return next;
    }
    int error = errno;
    HostStat stat;
    if (error == ENOENT || error == ENOTDIR || error == ELOOP) {
        // With O_NOFOLLOW a link fails like a file does; tell them apart for the caller.
        bool present = StatAt(directory, name, &stat);
        SetLastError(present && !IsVolumeObject(stat) ? ERROR_ACCESS_DENIED : ERROR_PATH_NOT_FOUND);
    } else {
        SetLastError(Win32ErrorOf(error));
    }
    return next;
}

}  // namespace

bool ResolveName(const HostDirectoryVolume::Host& host, const WCHAR* name, NameUse use, HostName* resolved) {
    std::vector<WString> components;
    if (!SplitVolumeName(name, use, &components)) {
        return false;
    }
    UniqueFd directory(openat(host.root.get(), ".", O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!directory.valid()) {
        return FailWithErrno();
    }
    for (size_t i = 0; i + 1 < components.size(); ++i) {
        directory = OpenStep(directory.get(), ToUtf8(components[i]).c_str());
        if (!directory.valid()) {
            return false;
        }
    }
    resolved->directory = std::move(directory);
    resolved->leaf = components.empty() ? std::string() : ToUtf8(components.back());
    return true;
}

const HostDirectoryVolume::Host& HostOf(DWORD_PTR volume) { return HostDirectoryVolume::Of(volume)->host(); }
