// The entries on names, over the host's calls. The host enforces the
// read-only attribute and refuses to delete or move an open file (opens never
// share deletion, see file_open.cpp); the layer refuses reparse points and
// the root.
#include "lower/hostdir/host_entries.h"
#include "lower/hostdir/win32/host_root.h"
#include "platform/last_error.h"

namespace {

BOOL Refuse(DWORD error) {
    SetLastError(error);
    return FALSE;
}

// Resolves a name that must exist as no reparse point; with `belowRoot`, it
// must not be the root either, which no call may remove or move.
bool ResolveExisting(DWORD_PTR volume, const WCHAR* name, bool belowRoot, HostName* resolved, DWORD* attributes) {
    if (!ResolveName(HostOf(volume), name, NameUse::kFile, resolved)) {
        return false;
    }
    if (belowRoot && resolved->IsRoot()) {
        return Refuse(ERROR_ACCESS_DENIED);
    }
    *attributes = VolumeAttributes(*resolved);
    return *attributes != INVALID_FILE_ATTRIBUTES;
}

// Whether no handle has the file open: every open of the layer refuses to
// share deletion, so an open for deletion fails exactly then. The host's own
// replacing move reports an open destination as ERROR_ACCESS_DENIED.
bool NotOpen(const HostName& name) {
    HANDLE probe = ::CreateFileW(name.path.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (probe == INVALID_HANDLE_VALUE) {
        return GetLastError() != ERROR_SHARING_VIOLATION;
    }
    ::CloseHandle(probe);
    return true;
}

}  // namespace

namespace hostdir {

BOOL CreateDirectoryW(DWORD_PTR volume, const WCHAR* path, void*) {
    HostName resolved;
    if (!ResolveName(HostOf(volume), path, NameUse::kFile, &resolved)) {
        return FALSE;
    }
    if (resolved.IsRoot()) {
        return Refuse(ERROR_ALREADY_EXISTS);
    }
    return ::CreateDirectoryW(resolved.path.c_str(), nullptr);
}

BOOL RemoveDirectoryW(DWORD_PTR volume, const WCHAR* path) {
    HostName resolved;
    DWORD attributes;
    if (!ResolveExisting(volume, path, true, &resolved, &attributes)) {
        return FALSE;
    }
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return Refuse(ERROR_DIRECTORY);
    }
    return ::RemoveDirectoryW(resolved.path.c_str());
}

DWORD GetFileAttributesW(DWORD_PTR volume, const WCHAR* name) {
    HostName resolved;
    DWORD attributes;
    return ResolveExisting(volume, name, false, &resolved, &attributes) ? attributes : INVALID_FILE_ATTRIBUTES;
}

BOOL SetFileAttributesW(DWORD_PTR volume, const WCHAR* name, DWORD attributes) {
    HostName resolved;
    DWORD current;
    if (!ResolveExisting(volume, name, false, &resolved, &current)) {
        return FALSE;
    }
    return ::SetFileAttributesW(resolved.path.c_str(), attributes);
}

BOOL DeleteFileW(DWORD_PTR volume, const WCHAR* name) {
    HostName resolved;
    DWORD attributes;
    if (!ResolveExisting(volume, name, true, &resolved, &attributes)) {
        return FALSE;
    }
    // As FAT, and also under Wine run by root, where the attribute is only permission bits.
    if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) {
        return Refuse(ERROR_ACCESS_DENIED);
    }
    return ::DeleteFileW(resolved.path.c_str());
}

BOOL MoveFileW(DWORD_PTR volume, const WCHAR* oldName, const WCHAR* newName) {
    HostName from;
    HostName to;
    DWORD attributes;
    if (!ResolveExisting(volume, oldName, true, &from, &attributes) ||
        !ResolveName(HostOf(volume), newName, NameUse::kFile, &to)) {
        return FALSE;
    }
    if (to.IsRoot()) {
        return Refuse(ERROR_ACCESS_DENIED);
    }
    return ::MoveFileW(from.path.c_str(), to.path.c_str());
}

BOOL DeleteAndRenameFileW(DWORD_PTR volume, const WCHAR* destination, const WCHAR* source) {
    HostName to;
    HostName from;
    DWORD target;
    DWORD moved;
    if (!ResolveExisting(volume, destination, true, &to, &target) ||
        !ResolveExisting(volume, source, true, &from, &moved)) {
        return FALSE;
    }
    if (((target | moved) & FILE_ATTRIBUTE_DIRECTORY) || (target & FILE_ATTRIBUTE_READONLY)) {
        return Refuse(ERROR_ACCESS_DENIED);
    }
    if (!NotOpen(to) || !NotOpen(from)) {
        return Refuse(ERROR_SHARING_VIOLATION);
    }
    return ::MoveFileExW(from.path.c_str(), to.path.c_str(), MOVEFILE_REPLACE_EXISTING);
}

}  // namespace hostdir
