// MORVANE's entry points. The library exports them under the names without
// the MRV_ prefix (CreateFileW, CloseFile, ...), undecorated, with C linkage:
// the storage manager resolves them by name. The prefix keeps them apart from
// the kernel32 functions of the same names in the Win32 build.
//
// Volume-level entries take the FilterVolume word that HookVolume returned,
// handle-level entries the FilterHandle word that CreateFileW or
// FindFirstFileW returned. Each passes the call to the lower entry of the
// same name with the lower volume or handle in place of the record, and
// returns the lower result with the lower layer's last error, except where
// noted below.
#pragma once

#include "platform/types.h"

extern "C" {

// Attaches the filter to a volume. lowerHooks is the lower layer's 31-word
// table; it is copied, and not referred to afterwards. Returns the new
// FilterVolume, or 0 when no memory is left (last error ERROR_NOT_ENOUGH_MEMORY).
DWORD_PTR MRV_HookVolume(HANDLE disk, const DWORD_PTR* lowerHooks);

// Releases the FilterVolume. Returns TRUE. Handles still open on the volume
// become unusable.
BOOL MRV_UnhookVolume(DWORD_PTR volume);

BOOL MRV_CreateDirectoryW(DWORD_PTR volume, const WCHAR* path, void* security);
BOOL MRV_RemoveDirectoryW(DWORD_PTR volume, const WCHAR* path);
DWORD MRV_GetFileAttributesW(DWORD_PTR volume, const WCHAR* name);
BOOL MRV_SetFileAttributesW(DWORD_PTR volume, const WCHAR* name, DWORD attributes);
BOOL MRV_DeleteFileW(DWORD_PTR volume, const WCHAR* name);
BOOL MRV_MoveFileW(DWORD_PTR volume, const WCHAR* oldName, const WCHAR* newName);
BOOL MRV_DeleteAndRenameFileW(DWORD_PTR volume, const WCHAR* destination, const WCHAR* source);

// Reports three times the lower capacity: total 3 x T, free F + 2 x T
// clusters, so that total minus free stays the real used space. Counts that
// do not fit 32 bits saturate at 0xFFFFFFFF, free never above total. A null
// count pointer is neither read nor written. The counts are rescaled also
// when the lower call fails; its result is returned.
BOOL MRV_GetDiskFreeSpaceW(DWORD_PTR volume, const WCHAR* path, DWORD* sectorsPerCluster, DWORD* bytesPerSector,
                           DWORD* freeClusters, DWORD* totalClusters);

BOOL MRV_Notify(DWORD_PTR volume, DWORD flags);
BOOL MRV_RegisterFileSystemFunction(DWORD_PTR volume, void* callback);

// Starts a search. Returns a new FilterHandle, or INVALID_HANDLE_VALUE when
// the lower layer refuses (its last error stands) or no memory is left (the
// lower search is closed; ERROR_NOT_ENOUGH_MEMORY). The find data is the
// lower layer's: packed files are listed with their stored size.
HANDLE MRV_FindFirstFileW(DWORD_PTR volume, HANDLE process, const WCHAR* pattern, WIN32_FIND_DATAW* data);
BOOL MRV_FindNextFileW(DWORD_PTR search, WIN32_FIND_DATAW* data);
// Closes the lower search and releases the FilterHandle whatever the lower
// result; returns that result.
BOOL MRV_FindClose(DWORD_PTR search);

// Opens or creates a file. A stored file that begins with the packed-file
// magic is unpacked whole into a working copy ("\TMP<n>" in the volume root),
// which the returned handle then stands for; any other file is opened as
// itself. Returns a new FilterHandle, or INVALID_HANDLE_VALUE:
// - the lower layer refused the open (its last error stands);
// - the name has 255 or more units (ERROR_FILENAME_EXCED_RANGE);
// - no memory is left (ERROR_NOT_ENOUGH_MEMORY);
// - the packed file cannot be read whole, or its stream does not decode
//   within the length its header states (ERROR_FILE_CORRUPT, or the lower
//   layer's error); no working copy remains and the stored file is untouched.
HANDLE MRV_CreateFileW(DWORD_PTR volume, HANDLE process, const WCHAR* name, DWORD access, DWORD shareMode,
                       void* security, DWORD creation, DWORD flagsAndAttributes, HANDLE templateFile);

BOOL MRV_ReadFile(DWORD_PTR file, void* buffer, DWORD count, DWORD* done, void* overlapped);
BOOL MRV_ReadFileWithSeek(DWORD_PTR file, void* buffer, DWORD count, DWORD* done, void* overlapped,
                          DWORD offsetLow, DWORD offsetHigh);
// The five write-type entries mark the handle modified before they pass on,
// whatever the lower call then returns.
BOOL MRV_WriteFile(DWORD_PTR file, const void* buffer, DWORD count, DWORD* done, void* overlapped);
BOOL MRV_WriteFileWithSeek(DWORD_PTR file, const void* buffer, DWORD count, DWORD* done, void* overlapped,
                           DWORD offsetLow, DWORD offsetHigh);
DWORD MRV_SetFilePointer(DWORD_PTR file, LONG distance, LONG* distanceHigh, DWORD moveMethod);
DWORD MRV_GetFileSize(DWORD_PTR file, DWORD* sizeHigh);
BOOL MRV_GetFileInformationByHandle(DWORD_PTR file, BY_HANDLE_FILE_INFORMATION* info);
BOOL MRV_FlushFileBuffers(DWORD_PTR file);
BOOL MRV_GetFileTime(DWORD_PTR file, FILETIME* creation, FILETIME* lastAccess, FILETIME* lastWrite);
BOOL MRV_SetFileTime(DWORD_PTR file, const FILETIME* creation, const FILETIME* lastAccess, const FILETIME* lastWrite);
BOOL MRV_SetEndOfFile(DWORD_PTR file);
BOOL MRV_DeviceIoControl(DWORD_PTR file, DWORD code, void* in, DWORD inSize, void* out, DWORD outSize,
                         DWORD* returned, void* overlapped);

// Closes a file handle and settles the stored file, then releases the
// FilterHandle on every path. The settings are read first. A modified handle
// is packed into a new copy that replaces the stored file (compression on),
// or its working copy replaces it as a plain file (compression off, or
// packing failed). Returns the lower close's result, or after a packing the
// result of closing the new copy. Returns FALSE when the handle's changes
// could not be put in place (the stored file keeps its previous content, or
// the content is kept under its "\TMP<n>" name when the final move failed).
BOOL MRV_CloseFile(DWORD_PTR file);

}  // extern "C"
