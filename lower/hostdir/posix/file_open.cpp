// Opening and closing files: the five creation dispositions, access and
// share checks, the read-only attribute.
#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>

#include "lower/hostdir/host_entries.h"
#include "lower/hostdir/posix/host_errors.h"
#include "lower/hostdir/posix/host_records.h"
#include "lower/hostdir/posix/host_root.h"
#include "lower/hostdir/posix/host_stat.h"
#include "platform/heap_buffer.h"
#include "platform/last_error.h"

namespace {

HANDLE Refuse(DWORD error) {
    SetLastError(error);
    return INVALID_HANDLE_VALUE;
}

// The host descriptor of an open, whether it made the file.
struct Opened {
    UniqueFd fd;
    bool created = false;
};

// Opens or creates the last component as the disposition says, never through
// a symbolic link. A file that appears or vanishes between the two opens
// sends the loop round again.
bool OpenLeaf(const HostName& name, DWORD access, DWORD creation, DWORD attributes, Opened* opened) {
    int mode = (access & GENERIC_WRITE) ? O_RDWR : O_RDONLY;
    // O_NONBLOCK keeps a FIFO put in the file's place from blocking the open; it is refused below.
    int flags = mode | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK | O_NOCTTY;
    bool mayCreate = creation == CREATE_NEW || creation == CREATE_ALWAYS || creation == OPEN_ALWAYS;
    mode_t permissions = (attributes & FILE_ATTRIBUTE_READONLY) ? 0444 : 0666;
    for (;;) {
        if (mayCreate) {
            opened->fd.Reset(openat(name.directory.get(), name.leaf.c_str(), flags | O_CREAT | O_EXCL, permissions));
            if (opened->fd.valid()) {
                opened->created = true;
                return true;
            }
            if (errno != EEXIST) {
                return FailWithErrno();
            }
            if (creation == CREATE_NEW) {
                SetLastError(ERROR_FILE_EXISTS);
                return false;
            }
        }
        opened->fd.Reset(openat(name.directory.get(), name.leaf.c_str(), flags));
        if (opened->fd.valid()) {
            return true;
        }
        if (errno != ENOENT || !mayCreate) {
            return FailWithErrno();
        }
    }
}

}  // namespace

namespace hostdir {

HANDLE CreateFileW(DWORD_PTR volume, HANDLE, const WCHAR* name, DWORD access, DWORD shareMode, void*,
                   DWORD creation, DWORD flagsAndAttributes, HANDLE) {
    if (creation < CREATE_NEW || creation > TRUNCATE_EXISTING) {
        return Refuse(ERROR_INVALID_PARAMETER);
    }
    HostName resolved;
    if (!ResolveName(HostOf(volume), name, NameUse::kFile, &resolved)) {
        return INVALID_HANDLE_VALUE;
    }
    if (resolved.IsRoot()) {
        return Refuse(ERROR_ACCESS_DENIED);
    }
    HeapRecord<HostFile> record;
    if (!record) {
        return Refuse(ERROR_NOT_ENOUGH_MEMORY);
    }
    Opened opened;
    if (!OpenLeaf(resolved, access, creation, flagsAndAttributes, &opened)) {
        return INVALID_HANDLE_VALUE;
    }
    HostStat stat;
    if (!StatFd(opened.fd.get(), &stat)) {
        return INVALID_HANDLE_VALUE;
    }
    if (!S_ISREG(stat.mode)) {
        return Refuse(ERROR_ACCESS_DENIED);
    }
    bool truncate = !opened.created && (creation == CREATE_ALWAYS || creation == TRUNCATE_EXISTING);
    // Checked from the mode bits, not left to the host, which lets root write anything.
    if (!opened.created && IsReadOnly(stat) && ((access & GENERIC_WRITE) || truncate)) {
        return Refuse(ERROR_ACCESS_DENIED);
    }
    FileIdentity identity{stat.device, stat.inode};
    DWORD granted = access & (GENERIC_READ | GENERIC_WRITE);
    // As on the device's FAT, no share mode lets an open file be deleted.
    if (!AcquireShare(identity, granted, shareMode & (FILE_SHARE_READ | FILE_SHARE_WRITE), record.get())) {
        return INVALID_HANDLE_VALUE;
    }
    if (truncate && ftruncate(opened.fd.get(), 0) != 0) {
        FailWithErrno();
        ReleaseShare(identity, record.get());
        return INVALID_HANDLE_VALUE;
    }
    record->volume = HostDirectoryVolume::Of(volume);
    record->fd = opened.fd.Release();
    record->access = granted;
    record->identity = identity;
    DWORD_PTR word = reinterpret_cast<DWORD_PTR>(record.Detach());
    HostDirectoryVolume::Of(volume)->Track(word, CloseFile);
    bool existed = !opened.created && (creation == OPEN_ALWAYS || creation == CREATE_ALWAYS);
    SetLastError(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return reinterpret_cast<HANDLE>(word);
}

BOOL CloseFile(DWORD_PTR file) {
    HeapRecord<HostFile> record(FileOf(file));
    record->volume->Untrack(file);
    ReleaseShare(record->identity, record.get());
    // The descriptor is gone whatever close reports.
    if (close(record->fd) != 0) {
        return FailWithErrno();
    }
    return TRUE;
}

}  // namespace hostdir
