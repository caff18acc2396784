// The platform-neutral half of a host directory volume: its table and the
// records it still has open.
#include "lower/hostdir/host_directory_volume.h"

#include <cstring>

#include "lower/hostdir/host_entries.h"

namespace hostdir {

void LayOutHooks(DWORD_PTR volume, DWORD_PTR* words) {
    LowerHooks table{};
    table.lowerVolume = volume;                                  // word 1
    table.CreateDirectoryW = CreateDirectoryW;                   // word 3
    table.RemoveDirectoryW = RemoveDirectoryW;                   // word 4
    table.GetFileAttributesW = GetFileAttributesW;               // word 5
    table.SetFileAttributesW = SetFileAttributesW;               // word 6
    table.DeleteFileW = DeleteFileW;                             // word 7
    table.MoveFileW = MoveFileW;                                 // word 8
    table.DeleteAndRenameFileW = DeleteAndRenameFileW;           // word 9
    table.GetDiskFreeSpaceW = GetDiskFreeSpaceW;                 // word 10
    table.Notify = Notify;                                       // word 11
    table.RegisterFileSystemFunction = RegisterFileSystemFunction;  // word 12
    table.FindFirstFileW = FindFirstFileW;                       // word 13
    table.FindNextFileW = FindNextFileW;                         // word 14
    table.FindClose = FindClose;                                 // word 15
    table.CreateFileW = CreateFileW;                             // word 16
    table.ReadFile = ReadFile;                                   // word 17
    table.ReadFileWithSeek = ReadFileWithSeek;                   // word 18
    table.WriteFile = WriteFile;                                 // word 19
    table.WriteFileWithSeek = WriteFileWithSeek;                 // word 20
    table.SetFilePointer = SetFilePointer;                       // word 21
    table.GetFileSize = GetFileSize;                             // word 22
    table.GetFileInformationByHandle = GetFileInformationByHandle;  // word 23
    table.FlushFileBuffers = FlushFileBuffers;                   // word 24
    table.GetFileTime = GetFileTime;                             // word 25
    table.SetFileTime = SetFileTime;                             // word 26
    table.SetEndOfFile = SetEndOfFile;                           // word 27
    table.DeviceIoControl = DeviceIoControl;                     // word 28
    table.CloseFile = CloseFile;                                 // word 29
    std::memcpy(words, &table, sizeof(table));
}

}  // namespace hostdir

const DWORD_PTR* HostDirectoryVolume::Hooks() const { return hooks_; }

const std::string& HostDirectoryVolume::Root() const { return root_; }

void HostDirectoryVolume::Track(DWORD_PTR record, RecordClose close) {
    std::lock_guard<std::mutex> hold(recordsLock_);
    records_[record] = close;
}

void HostDirectoryVolume::Untrack(DWORD_PTR record) {
    std::lock_guard<std::mutex> hold(recordsLock_);
    records_.erase(record);
}

void HostDirectoryVolume::CloseRecords() {
    // Each close untracks its record, so the lock is not held across it.
    for (;;) {
        DWORD_PTR record;
        RecordClose close;
        {
            std::lock_guard<std::mutex> hold(recordsLock_);
            if (records_.empty()) {
                return;
            }
            record = records_.begin()->first;
            close = records_.begin()->second;
        }
        close(record);
    }
}
