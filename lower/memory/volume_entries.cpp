// Each entry finds its volume from its first word, and its handle there for
// the handle-level entries; VolumeCall frames the rest.
#include "lower/memory/volume_entries.h"

#include <algorithm>

#include "lower/memory/volume_state.h"

namespace {

using State = MemoryVolume::State;

constexpr ULONGLONG kMaxPosition32 = 0xFFFFFFFFu;

DWORD Limited(DWORD count, DWORD limit) { return limit != 0 ? std::min(count, limit) : count; }

ULONGLONG Offset(DWORD low, DWORD high) { return (static_cast<ULONGLONG>(high) << 32) | low; }

HANDLE AsHandle(DWORD_PTR word) { return reinterpret_cast<HANDLE>(word); }

// The four transfers: at the file's position, or at `offset` (which a file
// below 4 GiB cannot reach beyond 32 bits).
BOOL Read(VolumeCall& call, void* buffer, DWORD count, DWORD* done, const ULONGLONG* offset) {
    DWORD transferred = 0;
    DWORD error = call.RunOn<OpenedFile>([&](State& v, OpenedFile& f) -> DWORD {
        if (offset && *offset > kMaxPosition32) {
            return ERROR_INVALID_PARAMETER;
        }
        return v.tree.Read(f, offset ? *offset : f.position, buffer, Limited(count, v.readLimit), &transferred);
    });
    if (done) {
        *done = transferred;
    }
    return call.Finish(error);
}

BOOL Write(VolumeCall& call, const void* buffer, DWORD count, DWORD* done, const ULONGLONG* offset) {
    DWORD transferred = 0;
    DWORD error = call.RunOn<OpenedFile>([&](State& v, OpenedFile& f) -> DWORD {
        if (offset && *offset > kMaxPosition32) {
            return ERROR_INVALID_PARAMETER;
        }
        return v.tree.Write(f, offset ? *offset : f.position, buffer, Limited(count, v.writeLimit), &transferred);
    });
    if (done) {
        *done = transferred;
    }
    return call.Finish(error);
}

// Named as the table's slots; kept apart from kernel32's declarations of the
// same names.
namespace entry {

BOOL CreateDirectoryW(DWORD_PTR volume, const WCHAR* path, void*) {
    VolumeCall call(volume, LowerEntry::CreateDirectoryW, {path});
    return call.Finish(call.Run([&](State& v) { return v.tree.MakeDirectory(path); }));
}

BOOL RemoveDirectoryW(DWORD_PTR volume, const WCHAR* path) {
    VolumeCall call(volume, LowerEntry::RemoveDirectoryW, {path});
    return call.Finish(call.Run([&](State& v) { return v.tree.RemoveEmptyDirectory(path); }));
}

DWORD GetFileAttributesW(DWORD_PTR volume, const WCHAR* name) {
    VolumeCall call(volume, LowerEntry::GetFileAttributesW, {name});
    DWORD attributes = INVALID_FILE_ATTRIBUTES;
    DWORD error = call.Run([&](State& v) { return v.tree.AttributesOf(name, &attributes); });
    return call.Finish<DWORD>(error, attributes, INVALID_FILE_ATTRIBUTES);
}

BOOL SetFileAttributesW(DWORD_PTR volume, const WCHAR* name, DWORD attributes) {
    VolumeCall call(volume, LowerEntry::SetFileAttributesW, {name}, {attributes});
    return call.Finish(call.Run([&](State& v) { return v.tree.ChangeAttributes(name, attributes); }));
}

BOOL DeleteFileW(DWORD_PTR volume, const WCHAR* name) {
    VolumeCall call(volume, LowerEntry::DeleteFileW, {name});
    return call.Finish(call.Run([&](State& v) { return v.tree.Remove(name); }));
}

BOOL MoveFileW(DWORD_PTR volume, const WCHAR* oldName, const WCHAR* newName) {
    VolumeCall call(volume, LowerEntry::MoveFileW, {oldName, newName});
    return call.Finish(call.Run([&](State& v) { return v.tree.Rename(oldName, newName); }));
}

BOOL DeleteAndRenameFileW(DWORD_PTR volume, const WCHAR* destination, const WCHAR* source) {
    VolumeCall call(volume, LowerEntry::DeleteAndRenameFileW, {destination, source});
    return call.Finish(call.Run([&](State& v) { return v.tree.Replace(destination, source); }));
}

BOOL GetDiskFreeSpaceW(DWORD_PTR volume, const WCHAR* path, DWORD* sectorsPerCluster, DWORD* bytesPerSector,
                       DWORD* freeClusters, DWORD* totalClusters) {
    VolumeCall call(volume, LowerEntry::GetDiskFreeSpaceW, {path});
    return call.Finish(call.Run([&](State& v) -> DWORD {
        v.tree.FreeSpace(sectorsPerCluster, bytesPerSector, freeClusters, totalClusters);
        return 0;
    }));
}

BOOL Notify(DWORD_PTR volume, DWORD flags) {
    VolumeCall call(volume, LowerEntry::Notify, {}, {flags});
    return call.Finish(call.Run([](State&) -> DWORD { return 0; }));
}

BOOL RegisterFileSystemFunction(DWORD_PTR volume, void*) {
    VolumeCall call(volume, LowerEntry::RegisterFileSystemFunction);
    return call.Finish(call.Run([](State&) -> DWORD { return 0; }));
}

HANDLE FindFirstFileW(DWORD_PTR volume, HANDLE, const WCHAR* pattern, WIN32_FIND_DATAW* data) {
    VolumeCall call(volume, LowerEntry::FindFirstFileW, {pattern});
    HANDLE search = INVALID_HANDLE_VALUE;
    DWORD error = call.Run([&](State& v) -> DWORD {
        if (data == nullptr) {
            return ERROR_INVALID_PARAMETER;
        }
        if (v.handles.Full()) {
            return ERROR_TOO_MANY_OPEN_FILES;
        }
        Search listed;
        if (DWORD failed = v.tree.List(pattern, &listed.found)) {
            return failed;
        }
        *data = listed.found[0];
        listed.next = 1;
        search = AsHandle(v.handles.Add(std::move(listed)));
        return 0;
    });
    return call.Finish<HANDLE>(error, search, INVALID_HANDLE_VALUE);
}

BOOL FindNextFileW(DWORD_PTR search, WIN32_FIND_DATAW* data) {
    VolumeCall call(search, LowerEntry::FindNextFileW);
    return call.Finish(call.RunOn<Search>([&](State&, Search& s) -> DWORD {
        if (data == nullptr) {
            return ERROR_INVALID_PARAMETER;
        }
        if (s.next == s.found.size()) {
            return ERROR_NO_MORE_FILES;
        }
        *data = s.found[s.next++];
        return 0;
    }));
}

BOOL FindClose(DWORD_PTR search) {
    VolumeCall call(search, LowerEntry::FindClose);
    return call.Finish(call.End<Search>());
}

HANDLE CreateFileW(DWORD_PTR volume, HANDLE, const WCHAR* name, DWORD access, DWORD shareMode, void*,
                   DWORD creation, DWORD flagsAndAttributes, HANDLE) {
    VolumeCall call(volume, LowerEntry::CreateFileW, {name}, {access, shareMode, creation, flagsAndAttributes});
    HANDLE file = INVALID_HANDLE_VALUE;
    bool existed = false;
    DWORD error = call.Run([&](State& v) -> DWORD {
        if (v.handles.Full()) {
            return ERROR_TOO_MANY_OPEN_FILES;
        }
        OpenedFile opened;
        if (DWORD failed = v.tree.Open(name, access, shareMode, creation, flagsAndAttributes, &opened, &existed)) {
            return failed;
        }
        file = AsHandle(v.handles.Add(opened));
        return 0;
    });
    if (error == 0 && (creation == CREATE_ALWAYS || creation == OPEN_ALWAYS)) {
        SetLastError(existed ? ERROR_ALREADY_EXISTS : NO_ERROR);
    }
    return call.Finish<HANDLE>(error, file, INVALID_HANDLE_VALUE);
}

BOOL ReadFile(DWORD_PTR file, void* buffer, DWORD count, DWORD* done, void*) {
    VolumeCall call(file, LowerEntry::ReadFile, {}, {count});
    return Read(call, buffer, count, done, nullptr);
}

BOOL ReadFileWithSeek(DWORD_PTR file, void* buffer, DWORD count, DWORD* done, void*, DWORD offsetLow,
                      DWORD offsetHigh) {
    ULONGLONG offset = Offset(offsetLow, offsetHigh);
    VolumeCall call(file, LowerEntry::ReadFileWithSeek, {}, {count, offset});
    return Read(call, buffer, count, done, &offset);
}

BOOL WriteFile(DWORD_PTR file, const void* buffer, DWORD count, DWORD* done, void*) {
    VolumeCall call(file, LowerEntry::WriteFile, {}, {count});
    return Write(call, buffer, count, done, nullptr);
}

BOOL WriteFileWithSeek(DWORD_PTR file, const void* buffer, DWORD count, DWORD* done, void*, DWORD offsetLow,
                       DWORD offsetHigh) {
    ULONGLONG offset = Offset(offsetLow, offsetHigh);
    VolumeCall call(file, LowerEntry::WriteFileWithSeek, {}, {count, offset});
    return Write(call, buffer, count, done, &offset);
}

DWORD SetFilePointer(DWORD_PTR file, LONG distance, LONG* distanceHigh, DWORD moveMethod) {
    // With a high part the distance is 64-bit; without one, positions stay 32-bit.
    LONGLONG move = distanceHigh ? static_cast<LONGLONG>(Offset(static_cast<DWORD>(distance),
                                                                static_cast<DWORD>(*distanceHigh)))
                                 : distance;
    VolumeCall call(file, LowerEntry::SetFilePointer, {}, {static_cast<ULONGLONG>(move), moveMethod});
    ULONGLONG position = 0;
    DWORD error = call.RunOn<OpenedFile>([&](State& v, OpenedFile& f) -> DWORD {
        DWORD failed = v.tree.Seek(f, move, moveMethod, distanceHigh ? ~0ull : kMaxPosition32);
        position = f.position;
        return failed;
    });
    if (error == 0 && distanceHigh) {
        *distanceHigh = static_cast<LONG>(position >> 32);
    }
    return call.Finish<DWORD>(error, static_cast<DWORD>(position), INVALID_SET_FILE_POINTER);
}

DWORD GetFileSize(DWORD_PTR file, DWORD* sizeHigh) {
    VolumeCall call(file, LowerEntry::GetFileSize);
    DWORD size = 0;
    DWORD error = call.RunOn<OpenedFile>([&](State&, OpenedFile& f) -> DWORD {
        size = static_cast<DWORD>(f.node->content.size());
        return 0;
    });
    if (error == 0 && sizeHigh) {
        *sizeHigh = 0;  // files stay below 4 GiB
    }
    return call.Finish<DWORD>(error, size, INVALID_FILE_SIZE);
}

BOOL GetFileInformationByHandle(DWORD_PTR file, BY_HANDLE_FILE_INFORMATION* info) {
    VolumeCall call(file, LowerEntry::GetFileInformationByHandle);
    return call.Finish(call.RunOn<OpenedFile>([&](State& v, OpenedFile& f) -> DWORD {
        if (info == nullptr) {
            return ERROR_INVALID_PARAMETER;
        }
        v.tree.Describe(f, info);
        return 0;
    }));
}

BOOL FlushFileBuffers(DWORD_PTR file) {
    VolumeCall call(file, LowerEntry::FlushFileBuffers);
    return call.Finish(call.RunOn<OpenedFile>([](State&, OpenedFile&) -> DWORD { return 0; }));
}

BOOL GetFileTime(DWORD_PTR file, FILETIME* creation, FILETIME* lastAccess, FILETIME* lastWrite) {
    VolumeCall call(file, LowerEntry::GetFileTime);
    return call.Finish(call.RunOn<OpenedFile>([&](State&, OpenedFile& f) -> DWORD {
        if (creation) {
            *creation = f.node->creation;
        }
        if (lastAccess) {
            *lastAccess = f.node->lastAccess;
        }
        if (lastWrite) {
            *lastWrite = f.node->lastWrite;
        }
        return 0;
    }));
}

BOOL SetFileTime(DWORD_PTR file, const FILETIME* creation, const FILETIME* lastAccess, const FILETIME* lastWrite) {
    VolumeCall call(file, LowerEntry::SetFileTime);
    return call.Finish(call.RunOn<OpenedFile>(
        [&](State& v, OpenedFile& f) { return v.tree.ChangeTimes(f, creation, lastAccess, lastWrite); }));
}

BOOL SetEndOfFile(DWORD_PTR file) {
    VolumeCall call(file, LowerEntry::SetEndOfFile);
    return call.Finish(call.RunOn<OpenedFile>([](State& v, OpenedFile& f) { return v.tree.Truncate(f); }));
}

// No control code means anything to this volume.
BOOL DeviceIoControl(DWORD_PTR file, DWORD code, void*, DWORD inSize, void*, DWORD outSize, DWORD* returned,
                     void*) {
    VolumeCall call(file, LowerEntry::DeviceIoControl, {}, {code, inSize, outSize});
    if (returned) {
        *returned = 0;
    }
    return call.Finish(call.RunOn<OpenedFile>([](State&, OpenedFile&) -> DWORD { return ERROR_INVALID_FUNCTION; }));
}

BOOL CloseFile(DWORD_PTR file) {
    VolumeCall call(file, LowerEntry::CloseFile);
    return call.Finish(call.End<OpenedFile>());
}

}  // namespace entry
}  // namespace

LowerHooks MemoryVolumeHooks(DWORD_PTR volumeWord) {
    LowerHooks hooks{};
    hooks.lowerVolume = volumeWord;
    hooks.CreateDirectoryW = entry::CreateDirectoryW;
    hooks.RemoveDirectoryW = entry::RemoveDirectoryW;
    hooks.GetFileAttributesW = entry::GetFileAttributesW;
    hooks.SetFileAttributesW = entry::SetFileAttributesW;
    hooks.DeleteFileW = entry::DeleteFileW;
    hooks.MoveFileW = entry::MoveFileW;
    hooks.DeleteAndRenameFileW = entry::DeleteAndRenameFileW;
    hooks.GetDiskFreeSpaceW = entry::GetDiskFreeSpaceW;
    hooks.Notify = entry::Notify;
    hooks.RegisterFileSystemFunction = entry::RegisterFileSystemFunction;
    hooks.FindFirstFileW = entry::FindFirstFileW;
    hooks.FindNextFileW = entry::FindNextFileW;
    hooks.FindClose = entry::FindClose;
    hooks.CreateFileW = entry::CreateFileW;
    hooks.ReadFile = entry::ReadFile;
    hooks.ReadFileWithSeek = entry::ReadFileWithSeek;
    hooks.WriteFile = entry::WriteFile;
    hooks.WriteFileWithSeek = entry::WriteFileWithSeek;
    hooks.SetFilePointer = entry::SetFilePointer;
    hooks.GetFileSize = entry::GetFileSize;
    hooks.GetFileInformationByHandle = entry::GetFileInformationByHandle;
    hooks.FlushFileBuffers = entry::FlushFileBuffers;
    hooks.GetFileTime = entry::GetFileTime;
    hooks.SetFileTime = entry::SetFileTime;
    hooks.SetEndOfFile = entry::SetEndOfFile;
    hooks.DeviceIoControl = entry::DeviceIoControl;
    hooks.CloseFile = entry::CloseFile;
    return hooks;
}
