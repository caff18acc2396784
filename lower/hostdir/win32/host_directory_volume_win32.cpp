// Opening a host directory as a volume on Win32.
#include "lower/hostdir/host_entries.h"
#include "lower/hostdir/win32/host_root.h"
#include "platform/last_error.h"

namespace {

// "C:\dir" becomes "\\?\C:\dir", "\\server\share" becomes "\\?\UNC\server\share".
WString LongPathOf(const WString& full) {
    if (full.compare(0, 4, L"\\\\?\\") == 0) {
        return full;
    }
    if (full.compare(0, 2, L"\\\\") == 0) {
        return L"\\\\?\\UNC\\" + full.substr(2);
    }
    return L"\\\\?\\" + full;
}

}  // namespace

std::unique_ptr<HostDirectoryVolume> HostDirectoryVolume::Open(const std::string& rootUtf8) {
    WString given = ToUtf16(rootUtf8);
    WCHAR full[4 * MAX_PATH];
    DWORD length = given.empty() ? 0 : ::GetFullPathNameW(given.c_str(), sizeof(full) / sizeof(full[0]), full, nullptr);
    if (length == 0 || length >= sizeof(full) / sizeof(full[0])) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return nullptr;
    }
    WString root(full, length);
    while (root.size() > 3 && root.back() == L'\\') {
        root.pop_back();
    }
    DWORD attributes = ::GetFileAttributesW(root.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return nullptr;
    }
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        SetLastError(ERROR_DIRECTORY);
        return nullptr;
    }
    std::unique_ptr<Host> host(new Host{LongPathOf(root)});
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
        *hostPath += '\\';
        *hostPath += ToUtf8(component);
    }
    return true;
}
