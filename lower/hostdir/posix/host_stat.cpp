#include "lower/hostdir/posix/host_stat.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include "lower/hostdir/posix/host_errors.h"

namespace {

// FILETIME counts 100 ns ticks from 1601; host times count from 1970.
constexpr int64_t kSecondsFrom1601To1970 = 11644473600;
constexpr int64_t kTicksPerSecond = 10000000;

timespec TimespecOfStatx(const statx_timestamp& time) {
    timespec converted{};
    converted.tv_sec = time.tv_sec;
    converted.tv_nsec = time.tv_nsec;
    return converted;
}

bool StatxAt(int directory, const char* name, int flags, HostStat* stat) {
    struct statx host {};
    if (statx(directory, name, flags | AT_SYMLINK_NOFOLLOW, STATX_BASIC_STATS | STATX_BTIME, &host) != 0) {
        return FailWithErrno();
    }
    stat->mode = host.stx_mode;
    stat->device = makedev(host.stx_dev_major, host.stx_dev_minor);
    stat->inode = host.stx_ino;
    stat->size = host.stx_size;
    stat->links = host.stx_nlink;
    stat->access = TimespecOfStatx(host.stx_atime);
    stat->write = TimespecOfStatx(host.stx_mtime);
    stat->birth = (host.stx_mask & STATX_BTIME) ? TimespecOfStatx(host.stx_btime) : stat->write;
    return true;
}

}  // namespace

bool StatAt(int directory, const char* name, HostStat* stat) {
    return StatxAt(directory, name, name[0] == 0 ? AT_EMPTY_PATH : 0, stat);
}

bool StatFd(int fd, HostStat* stat) { return StatxAt(fd, "", AT_EMPTY_PATH, stat); }

bool IsVolumeObject(const HostStat& stat) { return S_ISREG(stat.mode) || S_ISDIR(stat.mode); }

bool IsReadOnly(const HostStat& stat) { return (stat.mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0; }

DWORD AttributesOf(const HostStat& stat) {
    DWORD attributes = S_ISDIR(stat.mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
    if (IsReadOnly(stat)) {
        attributes |= FILE_ATTRIBUTE_READONLY;
    }
    return attributes;
}

FILETIME FileTimeOf(const timespec& time) {
    int64_t ticks = (static_cast<int64_t>(time.tv_sec) + kSecondsFrom1601To1970) * kTicksPerSecond + time.tv_nsec / 100;
    uint64_t unsignedTicks = ticks < 0 ? 0 : static_cast<uint64_t>(ticks);
    return FILETIME{static_cast<DWORD>(unsignedTicks), static_cast<DWORD>(unsignedTicks >> 32)};
}

timespec TimespecOf(const FILETIME& time) {
    uint64_t ticks = (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    timespec converted{};
    converted.tv_sec = static_cast<time_t>(static_cast<int64_t>(ticks / kTicksPerSecond) - kSecondsFrom1601To1970);
    converted.tv_nsec = static_cast<long>(ticks % kTicksPerSecond) * 100;
    return converted;
}
