// One file of the mount as the programs holding it see it. However many
// descriptors the programs open on one name, the bridge holds one filter
// handle for it: each open of a packed file through the filter makes a
// working copy of its own and the last close wins, so two handles would let
// a program that opens a file twice (sqlite, git) lose its own writes.
#pragma once

#include <mutex>
#include <optional>

#include "platform/utf.h"
#include "storage/filter_file.h"

struct OpenFile {
    OpenFile(const FilterEntries& filter, HANDLE handle, WString name, bool canWrite)
        : file(filter, handle), path(std::move(name)), writable(canWrite) {}

    // Orders calls on `file`: a FilterHandle takes one call at a time.
    std::mutex io;
    // Closed when the file was settled under its name by a rename or an
    // unlink while still open; reopened under `path` at its next use.
    FilterFile file;
    // The current name; empty once the name was unlinked or replaced.
    WString path;
    bool writable;
    // Something was written: only then is a flush passed to the filter,
    // which counts a flush as a change and packs the file again.
    bool written = false;
    // Descriptors of programs on this file: FUSE opens not yet released.
    int references = 1;
    // An attribute word set while open, applied after the last close: the
    // filter replaces the stored file at close, and a read-only stored file
    // cannot be replaced.
    std::optional<DWORD> pendingAttributes;
};
