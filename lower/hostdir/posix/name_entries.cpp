// The entries on names: directories, attributes, deletes and moves.
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>

#include <cerrno>
#include <string>

#include "lower/hostdir/host_entries.h"
#include "lower/hostdir/posix/host_errors.h"
#include "lower/hostdir/posix/host_root.h"
#include "lower/hostdir/posix/host_stat.h"
#include "lower/hostdir/posix/share_table.h"
#include "platform/last_error.h"

namespace {

BOOL Refuse(DWORD error) {
    SetLastError(error);
    return FALSE;
}

// Reads what a resolved name names, refusing links and special files.
bool StatName(const HostName& name, HostStat* stat) {
    if (!StatAt(name.directory.get(), name.leaf.c_str(), stat)) {
        return false;
    }
    if (!IsVolumeObject(*stat)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    return true;
}

// Resolves a name that must not be the root, which no call may remove or move.
bool ResolveBelowRoot(DWORD_PTR volume, const WCHAR* name, HostName* resolved) {
    if (!ResolveName(HostOf(volume), name, NameUse::kFile, resolved)) {
        return false;
    }
    if (resolved->IsRoot()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    return true;
}

FileIdentity IdentityOf(const HostStat& stat) { return FileIdentity{stat.device, stat.inode}; }

// Renames without replacing; some file systems offer no such flag, and then
// the target is checked first.
bool RenameNoReplace(const HostName& from, const HostName& to) {
    if (renameat2(from.directory.get(), from.leaf.c_str(), to.directory.get(), to.leaf.c_str(), RENAME_NOREPLACE) == 0) {
        return true;
    }
    if (errno == EINVAL) {
        HostStat target;
        if (StatAt(to.directory.get(), to.leaf.c_str(), &target)) {
            return Refuse(ERROR_ALREADY_EXISTS);
        }
        if (renameat(from.directory.get(), from.leaf.c_str(), to.directory.get(), to.leaf.c_str()) == 0) {
            return true;
        }
    }
    return errno == EEXIST ? Refuse(ERROR_ALREADY_EXISTS) : FailWithErrno();
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
    if (mkdirat(resolved.directory.get(), resolved.leaf.c_str(), 0777) != 0) {
        return errno == EEXIST ? Refuse(ERROR_ALREADY_EXISTS) : FailWithErrno();
    }
    return TRUE;
}

BOOL RemoveDirectoryW(DWORD_PTR volume, const WCHAR* path) {
    HostName resolved;
    HostStat stat;
    if (!ResolveBelowRoot(volume, path, &resolved) || !StatName(resolved, &stat)) {
        return FALSE;
    }
    if (!S_ISDIR(stat.mode)) {
        return Refuse(ERROR_DIRECTORY);
    }
    if (unlinkat(resolved.directory.get(), resolved.leaf.c_str(), AT_REMOVEDIR) != 0) {
        return errno == ENOTEMPTY || errno == EEXIST ? Refuse(ERROR_DIR_NOT_EMPTY) : FailWithErrno();
    }
    return TRUE;
}

DWORD GetFileAttributesW(DWORD_PTR volume, const WCHAR* name) {
    HostName resolved;
    HostStat stat;
    if (!ResolveName(HostOf(volume), name, NameUse::kFile, &resolved) || !StatName(resolved, &stat)) {
        return INVALID_FILE_ATTRIBUTES;
    }
    return AttributesOf(stat);
}

// Only the read-only attribute has a place on the host; the others are
// accepted and not kept. Directories keep their permissions.
BOOL SetFileAttributesW(DWORD_PTR volume, const WCHAR* name, DWORD attributes) {
    HostName resolved;
    if (!ResolveName(HostOf(volume), name, NameUse::kFile, &resolved)) {
        return FALSE;
    }
    // A path descriptor pins the inode that was checked: the change below
    // reaches that inode even if the name is swapped for a link meanwhile.
    const char* leaf = resolved.IsRoot() ? "." : resolved.leaf.c_str();
    UniqueFd pinned(openat(resolved.directory.get(), leaf, O_PATH | O_NOFOLLOW | O_CLOEXEC));
    HostStat stat;
    if (!pinned.valid()) {
        return FailWithErrno();
    }
    if (!StatFd(pinned.get(), &stat)) {
        return FALSE;
    }
    if (!IsVolumeObject(stat)) {
        return Refuse(ERROR_ACCESS_DENIED);
    }
    if (!S_ISREG(stat.mode)) {
        return TRUE;
    }
    mode_t permissions = stat.mode & 07777;
    if (attributes & FILE_ATTRIBUTE_READONLY) {
        permissions &= ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH);
    } else if (IsReadOnly(stat)) {
        permissions |= S_IWUSR;
    }
    if (permissions == (stat.mode & 07777)) {
        return TRUE;
    }
    // fchmod refuses path descriptors; the descriptor's own entry in /proc does not.
    std::string self = "/proc/self/fd/" + std::to_string(pinned.get());
    return chmod(self.c_str(), permissions) == 0 ? TRUE : FailWithErrno();
}

BOOL DeleteFileW(DWORD_PTR volume, const WCHAR* name) {
    HostName resolved;
    HostStat stat;
    if (!ResolveBelowRoot(volume, name, &resolved) || !StatName(resolved, &stat)) {
        return FALSE;
    }
    // As FAT: a read-only file is not deleted, whatever its directory allows.
    if (S_ISDIR(stat.mode) || IsReadOnly(stat)) {
        return Refuse(ERROR_ACCESS_DENIED);
    }
    return UnlessOpen({IdentityOf(stat)}, [&] {
        return unlinkat(resolved.directory.get(), resolved.leaf.c_str(), 0) == 0 || FailWithErrno();
    });
}

BOOL MoveFileW(DWORD_PTR volume, const WCHAR* oldName, const WCHAR* newName) {
    HostName from;
    HostName to;
    HostStat stat;
    if (!ResolveBelowRoot(volume, oldName, &from) || !ResolveBelowRoot(volume, newName, &to) ||
        !StatName(from, &stat)) {
        return FALSE;
    }
    if (S_ISDIR(stat.mode)) {
        return RenameNoReplace(from, to);
    }
    return UnlessOpen({IdentityOf(stat)}, [&] { return RenameNoReplace(from, to); });
}

// Puts the source in the destination's place in one rename: the destination
// must exist and be deletable, and neither file may be open.
BOOL DeleteAndRenameFileW(DWORD_PTR volume, const WCHAR* destination, const WCHAR* source) {
    HostName to;
    HostName from;
    HostStat target;
    HostStat moved;
    if (!ResolveBelowRoot(volume, destination, &to) || !ResolveBelowRoot(volume, source, &from) ||
        !StatName(to, &target) || !StatName(from, &moved)) {
        return FALSE;
    }
    if (!S_ISREG(target.mode) || !S_ISREG(moved.mode) || IsReadOnly(target)) {
        return Refuse(ERROR_ACCESS_DENIED);
    }
    return UnlessOpen({IdentityOf(target), IdentityOf(moved)}, [&] {
        return renameat(from.directory.get(), from.leaf.c_str(), to.directory.get(), to.leaf.c_str()) == 0 ||
               FailWithErrno();
    });
}

}  // namespace hostdir
