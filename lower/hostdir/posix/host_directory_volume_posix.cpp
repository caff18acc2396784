// Opening a host directory as a volume on Linux.
#include <fcntl.h>

#include <cerrno>

#include "lower/hostdir/host_entries.h"
#include "lower/hostdir/posix/host_errors.h"
#include "lower/hostdir/posix/host_root.h"
#include "platform/last_error.h"

std::unique_ptr<HostDirectoryVolume> HostDirectoryVolume::Open(const std::string& rootUtf8) {
    // The root itself may be reached through a link: it is the caller's choice.
    UniqueFd root(open(rootUtf8.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!root.valid()) {
        SetLastError(errno == ENOENT ? ERROR_PATH_NOT_FOUND : errno == ENOTDIR ? ERROR_DIRECTORY : Win32ErrorOf(errno));
        return nullptr;
    }
    std::unique_ptr<Host> host(new Host{std::move(root)});
    return std::unique_ptr<HostDirectoryVolume>(new HostDirectoryVolume(rootUtf8, std::move(host)));
}

HostDirectoryVolume::HostDirectoryVolume(std::string root, std::unique_ptr<Host> host)
    : root_(std::move(root)), host_(std::move(host)) {
    hostdir::LayOutHooks(reinterpret_cast<DWORD_PTR>(this), hooks_);
}

HostDirectoryVolume::~HostDirectoryVolume() { CloseRecords(); }

bool HostDirectoryVolume::HostPath(const WCHAR* name, std::string* hostPath) const {
    std::vector<WString> components;
    if (!SplitVolumeName(name, NameUse::kFile, &components)) {
        return false;
    }
    *hostPath = root_;
    for (const WString& component : components) {
        *hostPath += '/';
        *hostPath += ToUtf8(component);
    }
    return true;
}
