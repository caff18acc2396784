#include "lower/hostdir/posix/host_root.h"

#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
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

// The directory `path` (components joined by "/") beneath `root` in one
// call, the kernel refusing any symbolic link and any escape on the way.
// Invalid on any failure, the caller then walking the components to learn
// which error it is; also on a kernel (or emulator) without openat2, which
// is then not asked again.
UniqueFd OpenBeneath(int root, const std::string& path) {
    static std::atomic<bool> unsupported{false};
    if (unsupported.load(std::memory_order_relaxed)) {
        return UniqueFd();
    }
    open_how how{};
    how.flags = O_PATH | O_DIRECTORY | O_CLOEXEC;
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS;
    long fd = syscall(SYS_openat2, root, path.c_str(), &how, sizeof(how));
    if (fd < 0 && (errno == ENOSYS || errno == EPERM)) {
        // EPERM: a seccomp filter that refuses calls it does not know.
        unsupported.store(true, std::memory_order_relaxed);
    }
    return UniqueFd(static_cast<int>(fd));
}

}  // namespace

bool ResolveName(const HostDirectoryVolume::Host& host, const WCHAR* name, NameUse use, HostName* resolved) {
    std::vector<WString> components;
    if (!SplitVolumeName(name, use, &components)) {
        return false;
    }
    std::vector<std::string> steps;
    std::string joined;
    for (size_t i = 0; i + 1 < components.size(); ++i) {
        steps.push_back(ToUtf8(components[i]));
        joined += (i == 0 ? "" : "/") + steps.back();
    }
    UniqueFd directory = steps.empty() ? UniqueFd() : OpenBeneath(host.root.get(), joined);
    if (!directory.valid()) {
        directory.Reset(openat(host.root.get(), ".", O_PATH | O_DIRECTORY | O_CLOEXEC));
        if (!directory.valid()) {
            return FailWithErrno();
        }
        for (const std::string& step : steps) {
            directory = OpenStep(directory.get(), step.c_str());
            if (!directory.valid()) {
                return false;
            }
        }
    }
    resolved->directory = std::move(directory);
    resolved->leaf = components.empty() ? std::string() : ToUtf8(components.back());
    return true;
}

const HostDirectoryVolume::Host& HostOf(DWORD_PTR volume) { return HostDirectoryVolume::Of(volume)->host(); }
