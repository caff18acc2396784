// MORVANE's 29 entry points as the storage manager holds them once the
// library is loaded: one typed pointer per exported name.
#pragma once

#include "filter/lower_hooks.h"
#include "platform/types.h"

typedef DWORD_PTR (*HookVolumeEntry)(HANDLE disk, const DWORD_PTR* lowerHooks);
typedef BOOL (*UnhookVolumeEntry)(DWORD_PTR volume);

// The file-system entries have the lower table's signatures, with the
// FilterVolume or FilterHandle word in place of the lower one.
struct FilterEntries {
    HookVolumeEntry HookVolume;
    UnhookVolumeEntry UnhookVolume;
    CreateDirectoryWEntry CreateDirectoryW;
    RemoveDirectoryWEntry RemoveDirectoryW;
    GetFileAttributesWEntry GetFileAttributesW;
    SetFileAttributesWEntry SetFileAttributesW;
    DeleteFileWEntry DeleteFileW;
    MoveFileWEntry MoveFileW;
    DeleteAndRenameFileWEntry DeleteAndRenameFileW;
    GetDiskFreeSpaceWEntry GetDiskFreeSpaceW;
    NotifyEntry Notify;
    RegisterFileSystemFunctionEntry RegisterFileSystemFunction;
    FindFirstFileWEntry FindFirstFileW;
    FindNextFileWEntry FindNextFileW;
    FindCloseEntry FindClose;
    CreateFileWEntry CreateFileW;
    ReadFileEntry ReadFile;
    ReadFileWithSeekEntry ReadFileWithSeek;
    WriteFileEntry WriteFile;
    WriteFileWithSeekEntry WriteFileWithSeek;
    SetFilePointerEntry SetFilePointer;
    GetFileSizeEntry GetFileSize;
    GetFileInformationByHandleEntry GetFileInformationByHandle;
    FlushFileBuffersEntry FlushFileBuffers;
    GetFileTimeEntry GetFileTime;
    SetFileTimeEntry SetFileTime;
    SetEndOfFileEntry SetEndOfFile;
    DeviceIoControlEntry DeviceIoControl;
    CloseFileEntry CloseFile;
};

constexpr int kFilterEntryCount = 29;
static_assert(sizeof(FilterEntries) == kFilterEntryCount * sizeof(DWORD_PTR), "one word per entry point");
