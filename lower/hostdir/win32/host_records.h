// The records behind the handle words of a host directory volume: heap
// records, never 0 nor INVALID_HANDLE_VALUE as words.
#pragma once

#include "lower/hostdir/host_directory_volume.h"

struct HostFile {
    HostDirectoryVolume* volume;
    HANDLE file;
    DWORD access;  // GENERIC_READ and GENERIC_WRITE as granted at the open
};

struct HostSearch {
    HostDirectoryVolume* volume;
    HANDLE find;
    WCHAR pattern[MAX_PATH];  // the last component of the search pattern
};

inline HostFile* FileOf(DWORD_PTR file) { return reinterpret_cast<HostFile*>(file); }
inline HostSearch* SearchOf(DWORD_PTR search) { return reinterpret_cast<HostSearch*>(search); }
