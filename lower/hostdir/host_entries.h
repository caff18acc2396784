// The 27 lower entries of a host directory volume, one definition of each per
// platform; host_directory_volume.cpp lays them out in the table.
#pragma once

#include "platform/types.h"

namespace hostdir {

BOOL CreateDirectoryW(DWORD_PTR volume, const WCHAR* path, void* security);
BOOL RemoveDirectoryW(DWORD_PTR volume, const WCHAR* path);
DWORD GetFileAttributesW(DWORD_PTR volume, const WCHAR* name);
BOOL SetFileAttributesW(DWORD_PTR volume, const WCHAR* name, DWORD attributes);
BOOL DeleteFileW(DWORD_PTR volume, const WCHAR* name);
BOOL MoveFileW(DWORD_PTR volume, const WCHAR* oldName, const WCHAR* newName);
BOOL DeleteAndRenameFileW(DWORD_PTR volume, const WCHAR* destination, const WCHAR* source);
BOOL GetDiskFreeSpaceW(DWORD_PTR volume, const WCHAR* path, DWORD* sectorsPerCluster, DWORD* bytesPerSector,
                       DWORD* freeClusters, DWORD* totalClusters);
BOOL Notify(DWORD_PTR volume, DWORD flags);
BOOL RegisterFileSystemFunction(DWORD_PTR volume, void* callback);
HANDLE FindFirstFileW(DWORD_PTR volume, HANDLE process, const WCHAR* pattern, WIN32_FIND_DATAW* data);
BOOL FindNextFileW(DWORD_PTR search, WIN32_FIND_DATAW* data);
BOOL FindClose(DWORD_PTR search);
HANDLE CreateFileW(DWORD_PTR volume, HANDLE process, const WCHAR* name, DWORD access, DWORD shareMode,
                   void* security, DWORD creation, DWORD flagsAndAttributes, HANDLE templateFile);
BOOL ReadFile(DWORD_PTR file, void* buffer, DWORD count, DWORD* done, void* overlapped);
BOOL ReadFileWithSeek(DWORD_PTR file, void* buffer, DWORD count, DWORD* done, void* overlapped, DWORD offsetLow,
                      DWORD offsetHigh);
BOOL WriteFile(DWORD_PTR file, const void* buffer, DWORD count, DWORD* done, void* overlapped);
BOOL WriteFileWithSeek(DWORD_PTR file, const void* buffer, DWORD count, DWORD* done, void* overlapped,
                       DWORD offsetLow, DWORD offsetHigh);
DWORD SetFilePointer(DWORD_PTR file, LONG distance, LONG* distanceHigh, DWORD moveMethod);
DWORD GetFileSize(DWORD_PTR file, DWORD* sizeHigh);
BOOL GetFileInformationByHandle(DWORD_PTR file, BY_HANDLE_FILE_INFORMATION* info);
BOOL FlushFileBuffers(DWORD_PTR file);
BOOL GetFileTime(DWORD_PTR file, FILETIME* creation, FILETIME* lastAccess, FILETIME* lastWrite);
BOOL SetFileTime(DWORD_PTR file, const FILETIME* creation, const FILETIME* lastAccess, const FILETIME* lastWrite);
BOOL SetEndOfFile(DWORD_PTR file);
BOOL DeviceIoControl(DWORD_PTR file, DWORD code, void* in, DWORD inSize, void* out, DWORD outSize, DWORD* returned,
                     void* overlapped);
BOOL CloseFile(DWORD_PTR file);

}  // namespace hostdir

namespace hostdir {

// Fills the 31 words of a lower table for a volume word.
void LayOutHooks(DWORD_PTR volume, DWORD_PTR* words);

}  // namespace hostdir
