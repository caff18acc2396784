// An in-memory lower volume that behaves as a FAT volume does when seen
// through the 31-word lower table: the fixture of the filter's tests and of
// the benchmarks.
//
// What it enforces, as FAT on the device does:
// - Names are absolute UTF-16 paths from the volume root ("\dir\a.txt"), with
//   "\" (or "/") between components, compared case-insensitively (ASCII,
//   Latin-1, Greek and Cyrillic letters fold). Empty components, "." and "..",
//   and the characters <>:"|?* and controls are ERROR_INVALID_NAME; a
//   component over 255 units or a path over 259 is ERROR_FILENAME_EXCED_RANGE;
//   a missing directory on the way is ERROR_PATH_NOT_FOUND.
// - CreateFileW: the five dispositions with their Win32 errors, share modes
//   (an open with neither read nor write access takes part in no conflict),
//   read-only files refuse write access, truncation and deletion, a directory
//   does not open as a file (ERROR_ACCESS_DENIED). An open file cannot be
//   deleted, moved or replaced (ERROR_SHARING_VIOLATION).
// - Reads need GENERIC_READ; writes, SetEndOfFile and SetFileTime need
//   GENERIC_WRITE. Files stay below 4 GiB: a write or size beyond is
//   ERROR_DISK_FULL, a seek offset with a nonzero high word
//   ERROR_INVALID_PARAMETER. A write that needs more clusters than are free
//   fails whole with ERROR_DISK_FULL.
// - Each file takes its size rounded up to whole clusters; directories take
//   none. Times come from a volume clock that starts at 2024-01-01 and ticks by
//   one 100-ns unit at each change, so runs are repeatable: creation sets all
//   three, writes and size changes set last write.
// - DeviceIoControl fails with ERROR_INVALID_FUNCTION; FlushFileBuffers, Notify
//   and RegisterFileSystemFunction succeed. CloseFile and FindClose end the
//   handle even when they fail.
// - A search lists a snapshot of one directory taken by FindFirstFileW, sorted
//   by name, without "." and "..". "*" and "?" match in the last component; a
//   trailing ".*" also matches names without a dot.
//
// Every failure sets the calling thread's last error; a success leaves it
// alone, except that CREATE_ALWAYS and OPEN_ALWAYS set ERROR_ALREADY_EXISTS
// when the file existed and NO_ERROR when they made it, as Win32 does.
//
// Words: the volume word and the handle words are the volume's own address
// plus a small number (plus 2^32 on 64-bit builds, so that any truncation to
// 32 bits shows). At most 4095 handles are open at once
// (ERROR_TOO_MANY_OPEN_FILES beyond); a closed handle's number comes back
// only after the others have been used. 0 and INVALID_HANDLE_VALUE give
// ERROR_INVALID_HANDLE; any other word this volume did not hand out is
// undefined, as a wild pointer is.
//
// Thread-safe: one mutex over the volume. No state outside the instance.
#pragma once

#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/last_error.h"
#include "platform/types.h"
#include "platform/utf.h"

// The entries of the lower table, numbered by their word.
enum class LowerEntry : int {
    CreateDirectoryW = 3,
    RemoveDirectoryW,
    GetFileAttributesW,
    SetFileAttributesW,
    DeleteFileW,
    MoveFileW,
    DeleteAndRenameFileW,
    GetDiskFreeSpaceW,
    Notify,
    RegisterFileSystemFunction,
    FindFirstFileW,
    FindNextFileW,
    FindClose,
    CreateFileW,
    ReadFile,
    ReadFileWithSeek,
    WriteFile,
    WriteFileWithSeek,
    SetFilePointer,
    GetFileSize,
    GetFileInformationByHandle,
    FlushFileBuffers,
    GetFileTime,
    SetFileTime,
    SetEndOfFile,
    DeviceIoControl,
    CloseFile
};

const char* EntryName(LowerEntry entry);

struct VolumeGeometry {
    DWORD sectorsPerCluster = 8;
    DWORD bytesPerSector = 512;
    DWORD totalClusters = 65536;
};

// One call as the volume received it.
struct LoggedCall {
    LowerEntry entry;
    DWORD_PTR first;                 // the volume word or handle word the entry received
    std::vector<WString> names;      // name arguments, in order (a null name as empty)
    std::vector<ULONGLONG> numbers;  // numeric arguments, in order (listed below)
    ULONGLONG result;                // the returned word (BOOL, DWORD, or handle)
    DWORD error;                     // the last error a failed call set; 0 after a success
    // "DeleteFileW(\a.txt) = 1", "CreateFileW(\TMP5, 0x40000000, 0, 1, 0x80) = h3",
    // "ReadFile(h3, 4096) = 0, error 5": handles by their number, masks in hex.
    std::string Text() const;
};

// The numbers each entry logs, in order (the others log none):
//   SetFileAttributesW: attributes          Notify: flags
//   CreateFileW: access, share mode, creation, flags and attributes
//   ReadFile, WriteFile: count              ReadFileWithSeek, WriteFileWithSeek: count, 64-bit offset
//   SetFilePointer: 64-bit signed distance, move method
//   DeviceIoControl: code, input size, output size

// A fault armed by Inject, in the manner of a countdown: the matching call
// that brings the countdown to zero fails, and with `persistent` every
// matching call after it too. A failed call changes nothing (a close still
// ends its handle).
struct Fault {
    unsigned long countdown = 1;      // 1: the next matching call fails; 0: never
    bool persistent = false;          // also every matching call after it
    std::set<LowerEntry> entries;     // empty: every entry
    WString name;                     // non-empty: only calls with this name argument (case-insensitive)
    DWORD error = ERROR_GEN_FAILURE;  // last error the failing call sets
};

class MemoryVolume {
public:
    explicit MemoryVolume(VolumeGeometry geometry = {});
    ~MemoryVolume();
    MemoryVolume(const MemoryVolume&) = delete;
    MemoryVolume& operator=(const MemoryVolume&) = delete;
    MemoryVolume(MemoryVolume&&) = delete;
    MemoryVolume& operator=(MemoryVolume&&) = delete;

    const DWORD_PTR* Hooks() const;  // the 31-word table; word 1 is this volume's word
    DWORD_PTR VolumeWord() const;

    // Out-of-band access for tests: neither logged, counted nor faulted.
    // PutFile and PutDirectory make missing directories on the way; PutFile
    // replaces an existing file's content and attributes. A name that is not
    // valid, or that names a directory where a file is wanted (or the other
    // way round), throws std::invalid_argument, as does SetTimes of a missing
    // name.
    void PutFile(const WString& path, const std::vector<BYTE>& content, DWORD attributes = FILE_ATTRIBUTE_ARCHIVE);
    void PutDirectory(const WString& path);
    std::optional<std::vector<BYTE>> Content(const WString& path) const;  // empty for a directory or nothing
    bool Exists(const WString& path) const;                               // file or directory
    DWORD Attributes(const WString& path) const;                          // INVALID_FILE_ATTRIBUTES when absent
    void SetTimes(const WString& path, FILETIME creation, FILETIME access, FILETIME write);
    bool Times(const WString& path, FILETIME* creation, FILETIME* access, FILETIME* write) const;
    // Full paths of the files and directories in one directory, sorted by name;
    // empty when it does not exist.
    std::vector<WString> Files(const WString& directory = WIDE("\\")) const;
    size_t OpenHandles() const;  // files and searches still open

    // Fault injection: each armed fault counts its own matching calls.
    void Inject(const Fault& fault);
    void ClearFaults();
    unsigned long Injected() const;  // calls failed by a fault since construction or the last ClearFaults
    // Each ReadFile/ReadFileWithSeek transfers at most maxBytes (still TRUE); 0 = no limit.
    void LimitReads(DWORD maxBytes);
    void LimitWrites(DWORD maxBytes);  // likewise for writes

    // Crash mode: after `calls` more calls carried out (calls not failed by a
    // fault), every call fails with ERROR_NOT_READY and changes nothing.
    // Restart() then drops every open handle and search (what a power loss
    // does) and ends the crash, keeping the files as the last call carried
    // out left them.
    void CrashAfter(unsigned long calls);
    bool Crashed() const;  // the crash point was reached and Restart has not been called since
    void Restart();
    unsigned long CallCount() const;  // calls received since construction

    // Call log: every call received while it is on, failed ones included.
    void EnableLog(bool on);
    std::vector<LoggedCall> Log() const;
    void ClearLog();

    struct State;  // the volume's insides, shared with its entry points

private:
    std::unique_ptr<State> state_;
};
