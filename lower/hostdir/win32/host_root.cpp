#include "lower/hostdir/win32/host_root.h"

#include <vector>

#include "platform/last_error.h"

namespace {

bool Refuse(DWORD error) {
    SetLastError(error);
    return false;
}

WCHAR Upper(WCHAR unit) { return unit >= L'a' && unit <= L'z' ? static_cast<WCHAR>(unit - 0x20) : unit; }

}  // namespace

bool ResolveName(const HostDirectoryVolume::Host& host, const WCHAR* name, NameUse use, HostName* resolved) {
    std::vector<WString> components;
    if (!SplitVolumeName(name, use, &components)) {
        return false;
    }
    WString path = host.root;
    for (size_t i = 0; i < components.size(); ++i) {
        if (i > 0) {
            DWORD attributes = ::GetFileAttributesW(path.c_str());
            if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
                return Refuse(ERROR_PATH_NOT_FOUND);
            }
            if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
                return Refuse(ERROR_ACCESS_DENIED);
            }
        }
        path += L'\\';
        path += components[i];
    }
    resolved->path = path;
    resolved->root = components.empty();
    return true;
}

DWORD VolumeAttributes(const HostName& name) {
    DWORD attributes = ::GetFileAttributesW(name.path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_FILE_ATTRIBUTES;
    }
    return attributes;
}

bool LiesBelowRoot(const HostDirectoryVolume::Host& host, HANDLE file) {
    WCHAR final[4 * MAX_PATH];
    DWORD length = ::GetFinalPathNameByHandleW(file, final, sizeof(final) / sizeof(final[0]), FILE_NAME_NORMALIZED);
    if (length == 0 || length >= sizeof(final) / sizeof(final[0]) || length <= host.root.size()) {
        return false;
    }
    for (size_t i = 0; i < host.root.size(); ++i) {
        if (Upper(final[i]) != Upper(host.root[i])) {
            return false;
        }
    }
    return final[host.root.size()] == L'\\';
}

const HostDirectoryVolume::Host& HostOf(DWORD_PTR volume) { return HostDirectoryVolume::Of(volume)->host(); }
