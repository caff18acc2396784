// What the volume reads of a host file: type, identity, size and times, and
// their Win32 forms.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <ctime>

#include "platform/types.h"

struct HostStat {
    mode_t mode;
    dev_t device;
    ino_t inode;
    uint64_t size;
    uint32_t links;
    timespec access;
    timespec write;
    timespec birth;  // the last write where the host keeps no birth time
};

// Reads a directory entry without following a symbolic link; an empty name
// reads the directory itself. False with the last error set.
bool StatAt(int directory, const char* name, HostStat* stat);
bool StatFd(int fd, HostStat* stat);

// Regular files and directories are the volume's; links and special files are not.
bool IsVolumeObject(const HostStat& stat);
// Read-only is the absence of every write permission bit.
bool IsReadOnly(const HostStat& stat);
DWORD AttributesOf(const HostStat& stat);

FILETIME FileTimeOf(const timespec& time);
timespec TimespecOf(const FILETIME& time);
