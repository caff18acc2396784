// The filter's two records: one per attached volume, one per open file or
// search. The storage manager holds them as words and passes them back as the
// first argument of every call.
#pragma once

#include <cstddef>

#include "filter/lower_hooks.h"
#include "platform/lock.h"
#include "platform/types.h"

constexpr DWORD kPathUnits = 255;  // terminator included

struct FilterVolume {
    DWORD_PTR disk;    // the disk handle HookVolume received; only copied on
    LowerHooks hooks;  // a copy of the lower table
    // Serialises the opens and closes of the volume: no open's probe may run
    // between another open's probe and final open, nor between a close's
    // delete and move of a replacement.
    CRITICAL_SECTION settleLock;
};

struct FilterHandle {
    DWORD_PTR disk;              // copy of the volume's disk; not read
    const LowerHooks* hooks;     // the owning volume's table
    DWORD_PTR lowerHandle;       // the lower file or search handle
    DWORD_PTR process;           // the owner process given to CreateFileW
    WCHAR path[kPathUnits];      // the stored file's name
    WCHAR workName[kPathUnits];  // the working copy's name; empty when none
    DWORD modified;              // 1 once a write-type call passed through
    // A search sets only disk, hooks and lowerHandle.
};

inline FilterVolume* VolumeOf(DWORD_PTR word) { return reinterpret_cast<FilterVolume*>(word); }
inline FilterHandle* HandleOf(DWORD_PTR word) { return reinterpret_cast<FilterHandle*>(word); }

// The volume whose table a handle refers to.
inline FilterVolume* VolumeOfHooks(const LowerHooks* hooks) {
    const char* table = reinterpret_cast<const char*>(hooks);
    return reinterpret_cast<FilterVolume*>(const_cast<char*>(table - offsetof(FilterVolume, hooks)));
}
