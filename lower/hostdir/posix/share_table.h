// Share modes across every handle of the process. The host enforces none, so
// the layer keeps one table for the whole process, keyed by the file's
// device and inode: two volumes on one root, or on roots that share files,
// see each other's handles, as two callers of one FAT volume do.
#pragma once

#include <sys/types.h>

#include <functional>
#include <initializer_list>

#include "platform/types.h"

struct FileIdentity {
    dev_t device;
    ino_t inode;
};

// Records an open of the file by `owner` with its access (GENERIC_READ,
// GENERIC_WRITE) and share mode, unless it conflicts with an open already
// recorded: then false with ERROR_SHARING_VIOLATION.
bool AcquireShare(const FileIdentity& file, DWORD access, DWORD shareMode, const void* owner);
void ReleaseShare(const FileIdentity& file, const void* owner);

// Runs a change of names (a delete, a move) unless a handle of the process
// has one of the files open, holding the table meanwhile so that no open
// slips in between: false with ERROR_SHARING_VIOLATION, else the change's
// own result.
bool UnlessOpen(std::initializer_list<FileIdentity> files, const std::function<bool()>& change);
