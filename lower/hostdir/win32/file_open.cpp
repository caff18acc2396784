// Opening and closing files. The host enforces dispositions, access, share
// modes and the read-only attribute itself; the layer keeps every open below
// the root and on a plain file.
#include "lower/hostdir/host_entries.h"
#include "lower/hostdir/win32/host_records.h"
#include "lower/hostdir/win32/host_root.h"
#include "platform/heap_buffer.h"
#include "platform/last_error.h"

namespace {

HANDLE Refuse(DWORD error) {
    SetLastError(error);
    return INVALID_HANDLE_VALUE;
}

// Owns a host handle until it is handed on.
class HostHandle {
public:
    explicit HostHandle(HANDLE handle) : handle_(handle) {}
    ~HostHandle() {
        if (valid()) {
            ::CloseHandle(handle_);
        }
    }
    HostHandle(const HostHandle&) = delete;
    HostHandle& operator=(const HostHandle&) = delete;

    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle_; }
    HANDLE Release() {
        HANDLE released = handle_;
        handle_ = INVALID_HANDLE_VALUE;
        return released;
    }

private:
    HANDLE handle_;
};

// A plain file reached without a link: anything else is refused.
bool IsPlainFile(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION info;
    return ::GetFileType(file) == FILE_TYPE_DISK && ::GetFileInformationByHandle(file, &info) &&
           !(info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
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
    // Checked here, not left to the host: under Wine run by root the
    // attribute is only permission bits, which do not stop root.
    DWORD existing = ::GetFileAttributesW(resolved.path.c_str());
    bool truncates = creation == CREATE_ALWAYS || creation == TRUNCATE_EXISTING;
    if (existing != INVALID_FILE_ATTRIBUTES && (existing & FILE_ATTRIBUTE_READONLY) &&
        ((access & GENERIC_WRITE) || truncates)) {
        return Refuse(ERROR_ACCESS_DENIED);
    }
    // As on the device's FAT, no share mode lets an open file be deleted; a
    // reparse point is opened as itself, never followed, and refused below.
    DWORD attributes = flagsAndAttributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                             FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NORMAL);
    HostHandle file(::CreateFileW(resolved.path.c_str(), access & (GENERIC_READ | GENERIC_WRITE),
                                  shareMode & (FILE_SHARE_READ | FILE_SHARE_WRITE), nullptr, creation,
                                  attributes | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file.valid()) {
        return INVALID_HANDLE_VALUE;
    }
    DWORD opened = GetLastError();
    if (!IsPlainFile(file.get()) || !LiesBelowRoot(HostOf(volume), file.get())) {
        return Refuse(ERROR_ACCESS_DENIED);
    }
    record->volume = HostDirectoryVolume::Of(volume);
    record->file = file.Release();
    record->access = access & (GENERIC_READ | GENERIC_WRITE);
    DWORD_PTR word = reinterpret_cast<DWORD_PTR>(record.Detach());
    HostDirectoryVolume::Of(volume)->Track(word, CloseFile);
    // ERROR_ALREADY_EXISTS or success, as the host's open left it.
    SetLastError(opened);
    return reinterpret_cast<HANDLE>(word);
}

BOOL CloseFile(DWORD_PTR file) {
    HeapRecord<HostFile> record(FileOf(file));
    record->volume->Untrack(file);
    return ::CloseHandle(record->file);
}

}  // namespace hostdir
