// The entries on an open file: transfers, the file pointer, size, times,
// information and flushing.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

#include "lower/hostdir/file_pointer.h"
#include "lower/hostdir/host_entries.h"
#include "lower/hostdir/posix/host_errors.h"
#include "lower/hostdir/posix/host_records.h"
#include "lower/hostdir/posix/host_stat.h"
#include "platform/last_error.h"

namespace {

constexpr off_t kAtPointer = -1;

BOOL Refuse(DWORD error) {
    SetLastError(error);
    return FALSE;
}

bool Grants(const HostFile* file, DWORD access) { return (file->access & access) == access; }

// A refused transfer moves nothing, and says so through `done`.
BOOL RefuseTransfer(DWORD* done, DWORD error) {
    if (done != nullptr) {
        *done = 0;
    }
    return Refuse(error);
}

// The 64-bit position of a seeking transfer, or kAtPointer when it is out of range.
off_t PositionOf(DWORD offsetLow, DWORD offsetHigh) {
    uint64_t position = (static_cast<uint64_t>(offsetHigh) << 32) | offsetLow;
    return position > static_cast<uint64_t>(INT64_MAX) ? kAtPointer : static_cast<off_t>(position);
}

// Moves up to `count` bytes with `step` (given the bytes done so far), at the
// file pointer or at `position`; it stops early only at the end of the file
// or on an error. A seeking transfer leaves the pointer after what it moved.
template <typename Step>
BOOL Transfer(HostFile* file, DWORD count, DWORD* done, off_t position, Step step) {
    DWORD total = 0;
    BOOL result = TRUE;
    while (total < count) {
        ssize_t moved = step(total);
        if (moved < 0 && errno == EINTR) {
            continue;
        }
        if (moved < 0) {
            result = FailWithErrno();
            break;
        }
        if (moved == 0) {
            break;
        }
        total += static_cast<DWORD>(moved);
    }
    if (position != kAtPointer) {
        lseek(file->fd, position + total, SEEK_SET);
    }
    if (done != nullptr) {
        *done = total;
    }
    return result;
}

BOOL Read(HostFile* file, void* buffer, DWORD count, DWORD* done, off_t position) {
    BYTE* bytes = static_cast<BYTE*>(buffer);
    return Transfer(file, count, done, position, [&](DWORD total) {
        return position == kAtPointer ? read(file->fd, bytes + total, count - total)
                                      : pread(file->fd, bytes + total, count - total, position + total);
    });
}

BOOL Write(HostFile* file, const void* buffer, DWORD count, DWORD* done, off_t position) {
    const BYTE* bytes = static_cast<const BYTE*>(buffer);
    return Transfer(file, count, done, position, [&](DWORD total) {
        return position == kAtPointer ? write(file->fd, bytes + total, count - total)
                                      : pwrite(file->fd, bytes + total, count - total, position + total);
    });
}

// A null or zero FILETIME leaves that time as it is, as on Win32.
timespec TimeToSet(const FILETIME* time) {
    timespec omitted{};
    omitted.tv_nsec = UTIME_OMIT;
    if (time == nullptr || (time->dwLowDateTime == 0 && time->dwHighDateTime == 0)) {
        return omitted;
    }
    return TimespecOf(*time);
}

}  // namespace

namespace hostdir {

BOOL ReadFile(DWORD_PTR file, void* buffer, DWORD count, DWORD* done, void*) {
    if (!Grants(FileOf(file), GENERIC_READ)) {
        return RefuseTransfer(done, ERROR_ACCESS_DENIED);
    }
    return Read(FileOf(file), buffer, count, done, kAtPointer);
}

BOOL ReadFileWithSeek(DWORD_PTR file, void* buffer, DWORD count, DWORD* done, void*, DWORD offsetLow,
                      DWORD offsetHigh) {
    off_t position = PositionOf(offsetLow, offsetHigh);
    if (position == kAtPointer) {
        return RefuseTransfer(done, ERROR_NEGATIVE_SEEK);
    }
    if (!Grants(FileOf(file), GENERIC_READ)) {
        return RefuseTransfer(done, ERROR_ACCESS_DENIED);
    }
    return Read(FileOf(file), buffer, count, done, position);
}

BOOL WriteFile(DWORD_PTR file, const void* buffer, DWORD count, DWORD* done, void*) {
    if (!Grants(FileOf(file), GENERIC_WRITE)) {
        return RefuseTransfer(done, ERROR_ACCESS_DENIED);
    }
    return Write(FileOf(file), buffer, count, done, kAtPointer);
}

BOOL WriteFileWithSeek(DWORD_PTR file, const void* buffer, DWORD count, DWORD* done, void*, DWORD offsetLow,
                       DWORD offsetHigh) {
    off_t position = PositionOf(offsetLow, offsetHigh);
    if (position == kAtPointer) {
        return RefuseTransfer(done, ERROR_NEGATIVE_SEEK);
    }
    if (!Grants(FileOf(file), GENERIC_WRITE)) {
        return RefuseTransfer(done, ERROR_ACCESS_DENIED);
    }
    return Write(FileOf(file), buffer, count, done, position);
}

DWORD SetFilePointer(DWORD_PTR file, LONG distance, LONG* distanceHigh, DWORD moveMethod) {
    int fd = FileOf(file)->fd;
    HostStat stat;
    off_t current = lseek(fd, 0, SEEK_CUR);
    if (current < 0 || !StatFd(fd, &stat)) {
        FailWithErrno();
        return INVALID_SET_FILE_POINTER;
    }
    int64_t position;
    if (!NewFilePointer(distance, distanceHigh, moveMethod, current, static_cast<int64_t>(stat.size), &position)) {
        return INVALID_SET_FILE_POINTER;
    }
    if (lseek(fd, position, SEEK_SET) < 0) {
        FailWithErrno();
        return INVALID_SET_FILE_POINTER;
    }
    if (distanceHigh != nullptr) {
        *distanceHigh = static_cast<LONG>(static_cast<uint64_t>(position) >> 32);
    }
    // A low part of 0xFFFFFFFF is a valid position; the caller tells it by the last error.
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(position);
}

DWORD GetFileSize(DWORD_PTR file, DWORD* sizeHigh) {
    HostStat stat;
    if (!StatFd(FileOf(file)->fd, &stat)) {
        return INVALID_FILE_SIZE;
    }
    if (sizeHigh != nullptr) {
        *sizeHigh = static_cast<DWORD>(stat.size >> 32);
    }
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(stat.size);
}

BOOL GetFileInformationByHandle(DWORD_PTR file, BY_HANDLE_FILE_INFORMATION* info) {
    HostStat stat;
    if (!StatFd(FileOf(file)->fd, &stat)) {
        return FALSE;
    }
    info->dwFileAttributes = AttributesOf(stat);
    info->ftCreationTime = FileTimeOf(stat.birth);
    info->ftLastAccessTime = FileTimeOf(stat.access);
    info->ftLastWriteTime = FileTimeOf(stat.write);
    info->dwVolumeSerialNumber = static_cast<DWORD>(stat.device);
    info->nFileSizeHigh = static_cast<DWORD>(stat.size >> 32);
    info->nFileSizeLow = static_cast<DWORD>(stat.size);
    info->nNumberOfLinks = stat.links;
    info->nFileIndexHigh = static_cast<DWORD>(static_cast<uint64_t>(stat.inode) >> 32);
    info->nFileIndexLow = static_cast<DWORD>(stat.inode);
    return TRUE;
}

BOOL FlushFileBuffers(DWORD_PTR file) {
    if (!Grants(FileOf(file), GENERIC_WRITE)) {
        return Refuse(ERROR_ACCESS_DENIED);
    }
    return fsync(FileOf(file)->fd) == 0 ? TRUE : FailWithErrno();
}

BOOL GetFileTime(DWORD_PTR file, FILETIME* creation, FILETIME* lastAccess, FILETIME* lastWrite) {
    HostStat stat;
    if (!StatFd(FileOf(file)->fd, &stat)) {
        return FALSE;
    }
    if (creation != nullptr) {
        *creation = FileTimeOf(stat.birth);
    }
    if (lastAccess != nullptr) {
        *lastAccess = FileTimeOf(stat.access);
    }
    if (lastWrite != nullptr) {
        *lastWrite = FileTimeOf(stat.write);
    }
    return TRUE;
}

// Linux cannot set a birth time, so the creation time is accepted and left.
BOOL SetFileTime(DWORD_PTR file, const FILETIME*, const FILETIME* lastAccess, const FILETIME* lastWrite) {
    if (!Grants(FileOf(file), GENERIC_WRITE)) {
        return Refuse(ERROR_ACCESS_DENIED);
    }
    timespec times[2] = {TimeToSet(lastAccess), TimeToSet(lastWrite)};
    return futimens(FileOf(file)->fd, times) == 0 ? TRUE : FailWithErrno();
}

BOOL SetEndOfFile(DWORD_PTR file) {
    if (!Grants(FileOf(file), GENERIC_WRITE)) {
        return Refuse(ERROR_ACCESS_DENIED);
    }
    off_t position = lseek(FileOf(file)->fd, 0, SEEK_CUR);
    if (position < 0 || ftruncate(FileOf(file)->fd, position) != 0) {
        return FailWithErrno();
    }
    return TRUE;
}

}  // namespace hostdir
