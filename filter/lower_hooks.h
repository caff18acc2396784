// The lower layer's hook table: 31 words by contract, handed to HookVolume.
//
// Every entry takes a word first: the lower volume word (lowerVolume) for
// volume-level entries, a lower handle word for handle-level ones. The further
// arguments and the results are those of the Win32 call of the same name.
// What the filter relies on of each entry:
//
// - CreateFileW returns a handle, or INVALID_HANDLE_VALUE with the last error
//   set. GENERIC_READ with OPEN_EXISTING opens an existing file at its start;
//   CREATE_NEW fails with ERROR_FILE_EXISTS when the name is taken.
// - FindFirstFileW returns a search handle, or INVALID_HANDLE_VALUE.
// - ReadFile and WriteFile transfer at the current position, advance it and
//   store the count done; a short count is not a failure.
// - GetFileSize returns the low 32 bits and stores the high ones when asked.
// - DeleteFileW, MoveFileW and the other BOOL entries return nonzero on
//   success and leave the last error set on failure.
// - GetDiskFreeSpaceW stores 32-bit cluster counts through its pointers.
//
// Every lower entry sets the calling thread's last error on failure; the
// filter passes that code up untouched.
#pragma once

#include "platform/types.h"

typedef BOOL (*CreateDirectoryWEntry)(DWORD_PTR volume, const WCHAR* path, void* security);
typedef BOOL (*RemoveDirectoryWEntry)(DWORD_PTR volume, const WCHAR* path);
typedef DWORD (*GetFileAttributesWEntry)(DWORD_PTR volume, const WCHAR* name);
typedef BOOL (*SetFileAttributesWEntry)(DWORD_PTR volume, const WCHAR* name, DWORD attributes);
typedef BOOL (*DeleteFileWEntry)(DWORD_PTR volume, const WCHAR* name);
typedef BOOL (*MoveFileWEntry)(DWORD_PTR volume, const WCHAR* oldName, const WCHAR* newName);
typedef BOOL (*DeleteAndRenameFileWEntry)(DWORD_PTR volume, const WCHAR* destination, const WCHAR* source);
typedef BOOL (*GetDiskFreeSpaceWEntry)(DWORD_PTR volume, const WCHAR* path, DWORD* sectorsPerCluster,
                                       DWORD* bytesPerSector, DWORD* freeClusters, DWORD* totalClusters);
typedef BOOL (*NotifyEntry)(DWORD_PTR volume, DWORD flags);
typedef BOOL (*RegisterFileSystemFunctionEntry)(DWORD_PTR volume, void* callback);
typedef HANDLE (*FindFirstFileWEntry)(DWORD_PTR volume, HANDLE process, const WCHAR* pattern,
                                      WIN32_FIND_DATAW* data);
typedef BOOL (*FindNextFileWEntry)(DWORD_PTR search, WIN32_FIND_DATAW* data);
typedef BOOL (*FindCloseEntry)(DWORD_PTR search);
typedef HANDLE (*CreateFileWEntry)(DWORD_PTR volume, HANDLE process, const WCHAR* name, DWORD access,
                                   DWORD shareMode, void* security, DWORD creation, DWORD flagsAndAttributes,
                                   HANDLE templateFile);
typedef BOOL (*ReadFileEntry)(DWORD_PTR file, void* buffer, DWORD count, DWORD* done, void* overlapped);
typedef BOOL (*ReadFileWithSeekEntry)(DWORD_PTR file, void* buffer, DWORD count, DWORD* done, void* overlapped,
                                      DWORD offsetLow, DWORD offsetHigh);
typedef BOOL (*WriteFileEntry)(DWORD_PTR file, const void* buffer, DWORD count, DWORD* done, void* overlapped);
typedef BOOL (*WriteFileWithSeekEntry)(DWORD_PTR file, const void* buffer, DWORD count, DWORD* done,
                                       void* overlapped, DWORD offsetLow, DWORD offsetHigh);
typedef DWORD (*SetFilePointerEntry)(DWORD_PTR file, LONG distance, LONG* distanceHigh, DWORD moveMethod);
typedef DWORD (*GetFileSizeEntry)(DWORD_PTR file, DWORD* sizeHigh);
typedef BOOL (*GetFileInformationByHandleEntry)(DWORD_PTR file, BY_HANDLE_FILE_INFORMATION* info);
typedef BOOL (*FlushFileBuffersEntry)(DWORD_PTR file);
typedef BOOL (*GetFileTimeEntry)(DWORD_PTR file, FILETIME* creation, FILETIME* lastAccess, FILETIME* lastWrite);
typedef BOOL (*SetFileTimeEntry)(DWORD_PTR file, const FILETIME* creation, const FILETIME* lastAccess,
                                 const FILETIME* lastWrite);
typedef BOOL (*SetEndOfFileEntry)(DWORD_PTR file);
typedef BOOL (*DeviceIoControlEntry)(DWORD_PTR file, DWORD code, void* in, DWORD inSize, void* out, DWORD outSize,
                                     DWORD* returned, void* overlapped);
typedef BOOL (*CloseFileEntry)(DWORD_PTR file);

// The typed view of the 31 words.
struct LowerHooks {
    DWORD_PTR word0;                                            // word 0: carried, never used
    DWORD_PTR lowerVolume;                                      // word 1: the lower volume word
    DWORD_PTR word2;                                            // word 2: carried, never used
    CreateDirectoryWEntry CreateDirectoryW;                     // word 3
    RemoveDirectoryWEntry RemoveDirectoryW;                     // word 4
    GetFileAttributesWEntry GetFileAttributesW;                 // word 5
    SetFileAttributesWEntry SetFileAttributesW;                 // word 6
    DeleteFileWEntry DeleteFileW;                               // word 7
    MoveFileWEntry MoveFileW;                                   // word 8
    DeleteAndRenameFileWEntry DeleteAndRenameFileW;             // word 9
    GetDiskFreeSpaceWEntry GetDiskFreeSpaceW;                   // word 10
    NotifyEntry Notify;                                         // word 11
    RegisterFileSystemFunctionEntry RegisterFileSystemFunction; // word 12
    FindFirstFileWEntry FindFirstFileW;                         // word 13
    FindNextFileWEntry FindNextFileW;                           // word 14
    FindCloseEntry FindClose;                                   // word 15
    CreateFileWEntry CreateFileW;                               // word 16
    ReadFileEntry ReadFile;                                     // word 17
    ReadFileWithSeekEntry ReadFileWithSeek;                     // word 18
    WriteFileEntry WriteFile;                                   // word 19
    WriteFileWithSeekEntry WriteFileWithSeek;                   // word 20
    SetFilePointerEntry SetFilePointer;                         // word 21
    GetFileSizeEntry GetFileSize;                               // word 22
    GetFileInformationByHandleEntry GetFileInformationByHandle; // word 23
    FlushFileBuffersEntry FlushFileBuffers;                     // word 24
    GetFileTimeEntry GetFileTime;                               // word 25
    SetFileTimeEntry SetFileTime;                               // word 26
    SetEndOfFileEntry SetEndOfFile;                             // word 27
    DeviceIoControlEntry DeviceIoControl;                       // word 28
    CloseFileEntry CloseFile;                                   // word 29
    DWORD_PTR word30;                                           // word 30: carried, never used
};

constexpr int kLowerHookWords = 31;

static_assert(sizeof(void*) == sizeof(DWORD_PTR), "a pointer fits a word");
static_assert(sizeof(CloseFileEntry) == sizeof(DWORD_PTR), "an entry point fits a word");
static_assert(sizeof(LowerHooks) == kLowerHookWords * sizeof(DWORD_PTR), "the table is 31 words");
