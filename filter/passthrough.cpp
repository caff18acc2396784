// The 25 pass-through entries: each calls the lower entry of the same name
// with the lower volume or handle in place of the filter's record, and
// returns its result. The write-type calls mark the handle modified first;
// the free-space report is rescaled; a search gets a FilterHandle of its own.
#include <algorithm>

#include "filter/morvane.h"
#include "filter/records.h"
#include "platform/heap_buffer.h"
#include "platform/last_error.h"

namespace {

const LowerHooks& Lower(DWORD_PTR volume) { return VolumeOf(volume)->hooks; }

// Write-type calls count as modifications whatever the lower call then does.
FilterHandle* MarkModified(DWORD_PTR file) {
    FilterHandle* handle = HandleOf(file);
    handle->modified = 1;
    return handle;
}

constexpr DWORD kCapacityFactor = 3;
constexpr ULONGLONG kMaxCount = 0xFFFFFFFFu;

}  // namespace

BOOL MRV_CreateDirectoryW(DWORD_PTR volume, const WCHAR* path, void* security) {
    const LowerHooks& lower = Lower(volume);
    return lower.CreateDirectoryW(lower.lowerVolume, path, security);
}

BOOL MRV_RemoveDirectoryW(DWORD_PTR volume, const WCHAR* path) {
    const LowerHooks& lower = Lower(volume);
    return lower.RemoveDirectoryW(lower.lowerVolume, path);
}

DWORD MRV_GetFileAttributesW(DWORD_PTR volume, const WCHAR* name) {
    const LowerHooks& lower = Lower(volume);
    return lower.GetFileAttributesW(lower.lowerVolume, name);
}

BOOL MRV_SetFileAttributesW(DWORD_PTR volume, const WCHAR* name, DWORD attributes) {
    const LowerHooks& lower = Lower(volume);
    return lower.SetFileAttributesW(lower.lowerVolume, name, attributes);
}

BOOL MRV_DeleteFileW(DWORD_PTR volume, const WCHAR* name) {
    const LowerHooks& lower = Lower(volume);
    return lower.DeleteFileW(lower.lowerVolume, name);
}

BOOL MRV_MoveFileW(DWORD_PTR volume, const WCHAR* oldName, const WCHAR* newName) {
    const LowerHooks& lower = Lower(volume);
    return lower.MoveFileW(lower.lowerVolume, oldName, newName);
}

BOOL MRV_DeleteAndRenameFileW(DWORD_PTR volume, const WCHAR* destination, const WCHAR* source) {
    const LowerHooks& lower = Lower(volume);
    return lower.DeleteAndRenameFileW(lower.lowerVolume, destination, source);
}

BOOL MRV_GetDiskFreeSpaceW(DWORD_PTR volume, const WCHAR* path, DWORD* sectorsPerCluster, DWORD* bytesPerSector,
                           DWORD* freeClusters, DWORD* totalClusters) {
    const LowerHooks& lower = Lower(volume);
    // The free count needs the total: ask for it also when the caller does not.
    DWORD ownTotal = 0;
    DWORD* total = totalClusters != nullptr ? totalClusters : (freeClusters != nullptr ? &ownTotal : nullptr);
    BOOL result =
        lower.GetDiskFreeSpaceW(lower.lowerVolume, path, sectorsPerCluster, bytesPerSector, freeClusters, total);
    if (total != nullptr) {
        // Total 3 x T and free F + 2 x T, so that total minus free stays the
        // real used space; saturated to 32 bits, free never above total.
        ULONGLONG realTotal = *total;
        ULONGLONG reportedTotal = std::min(realTotal * kCapacityFactor, kMaxCount);
        if (freeClusters != nullptr) {
            ULONGLONG reportedFree = *freeClusters + realTotal * (kCapacityFactor - 1);
            *freeClusters = static_cast<DWORD>(std::min(reportedFree, reportedTotal));
        }
        *total = static_cast<DWORD>(reportedTotal);
    }
    return result;
}

BOOL MRV_Notify(DWORD_PTR volume, DWORD flags) {
    const LowerHooks& lower = Lower(volume);
    return lower.Notify(lower.lowerVolume, flags);
}

BOOL MRV_RegisterFileSystemFunction(DWORD_PTR volume, void* callback) {
    const LowerHooks& lower = Lower(volume);
    return lower.RegisterFileSystemFunction(lower.lowerVolume, callback);
}

HANDLE MRV_FindFirstFileW(DWORD_PTR volume, HANDLE process, const WCHAR* pattern, WIN32_FIND_DATAW* data) {
    FilterVolume* filterVolume = VolumeOf(volume);
    const LowerHooks& lower = filterVolume->hooks;
    HANDLE search = lower.FindFirstFileW(lower.lowerVolume, process, pattern, data);
    if (search == INVALID_HANDLE_VALUE) {
        return INVALID_HANDLE_VALUE;
    }
    HeapRecord<FilterHandle> handle;
    if (!handle) {
        lower.FindClose(reinterpret_cast<DWORD_PTR>(search));
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return INVALID_HANDLE_VALUE;
    }
    handle->disk = filterVolume->disk;
    handle->hooks = &filterVolume->hooks;
    handle->lowerHandle = reinterpret_cast<DWORD_PTR>(search);
    return reinterpret_cast<HANDLE>(handle.Detach());
}

BOOL MRV_FindNextFileW(DWORD_PTR search, WIN32_FIND_DATAW* data) {
    FilterHandle* handle = HandleOf(search);
    return handle->hooks->FindNextFileW(handle->lowerHandle, data);
}

BOOL MRV_FindClose(DWORD_PTR search) {
    HeapRecord<FilterHandle> handle(HandleOf(search));
    return handle->hooks->FindClose(handle->lowerHandle);
}

BOOL MRV_ReadFile(DWORD_PTR file, void* buffer, DWORD count, DWORD* done, void* overlapped) {
    FilterHandle* handle = HandleOf(file);
    return handle->hooks->ReadFile(handle->lowerHandle, buffer, count, done, overlapped);
}

BOOL MRV_ReadFileWithSeek(DWORD_PTR file, void* buffer, DWORD count, DWORD* done, void* overlapped,
                          DWORD offsetLow, DWORD offsetHigh) {
    FilterHandle* handle = HandleOf(file);
    return handle->hooks->ReadFileWithSeek(handle->lowerHandle, buffer, count, done, overlapped, offsetLow,
                                           offsetHigh);
}

BOOL MRV_WriteFile(DWORD_PTR file, const void* buffer, DWORD count, DWORD* done, void* overlapped) {
    FilterHandle* handle = MarkModified(file);
    return handle->hooks->WriteFile(handle->lowerHandle, buffer, count, done, overlapped);
}

BOOL MRV_WriteFileWithSeek(DWORD_PTR file, const void* buffer, DWORD count, DWORD* done, void* overlapped,
                           DWORD offsetLow, DWORD offsetHigh) {
    FilterHandle* handle = MarkModified(file);
    return handle->hooks->WriteFileWithSeek(handle->lowerHandle, buffer, count, done, overlapped, offsetLow,
                                            offsetHigh);
}

DWORD MRV_SetFilePointer(DWORD_PTR file, LONG distance, LONG* distanceHigh, DWORD moveMethod) {
    FilterHandle* handle = HandleOf(file);
    return handle->hooks->SetFilePointer(handle->lowerHandle, distance, distanceHigh, moveMethod);
}

DWORD MRV_GetFileSize(DWORD_PTR file, DWORD* sizeHigh) {
    FilterHandle* handle = HandleOf(file);
    return handle->hooks->GetFileSize(handle->lowerHandle, sizeHigh);
}

BOOL MRV_GetFileInformationByHandle(DWORD_PTR file, BY_HANDLE_FILE_INFORMATION* info) {
    FilterHandle* handle = HandleOf(file);
    return handle->hooks->GetFileInformationByHandle(handle->lowerHandle, info);
}

BOOL MRV_FlushFileBuffers(DWORD_PTR file) {
    FilterHandle* handle = MarkModified(file);
    return handle->hooks->FlushFileBuffers(handle->lowerHandle);
}

BOOL MRV_GetFileTime(DWORD_PTR file, FILETIME* creation, FILETIME* lastAccess, FILETIME* lastWrite) {
    FilterHandle* handle = HandleOf(file);
    return handle->hooks->GetFileTime(handle->lowerHandle, creation, lastAccess, lastWrite);
}

BOOL MRV_SetFileTime(DWORD_PTR file, const FILETIME* creation, const FILETIME* lastAccess,
                     const FILETIME* lastWrite) {
    FilterHandle* handle = HandleOf(file);
    return handle->hooks->SetFileTime(handle->lowerHandle, creation, lastAccess, lastWrite);
}

BOOL MRV_SetEndOfFile(DWORD_PTR file) {
    FilterHandle* handle = MarkModified(file);
    return handle->hooks->SetEndOfFile(handle->lowerHandle);
}

BOOL MRV_DeviceIoControl(DWORD_PTR file, DWORD code, void* in, DWORD inSize, void* out, DWORD outSize,
                         DWORD* returned, void* overlapped) {
    FilterHandle* handle = MarkModified(file);
    return handle->hooks->DeviceIoControl(handle->lowerHandle, code, in, inSize, out, outSize, returned,
                                          overlapped);
}
