// Serves a FUSE mount of a volume until it is unmounted (fusermount3 -u) or
// the process is interrupted (Ctrl-C, SIGTERM). Every file still open is
// closed through the filter before this returns, so no working copy is left.
#pragma once

#include <string>

#include "storage/filtered_volume.h"

struct MountOptions {
    std::string mountpoint;
    bool foreground = false;  // stay attached to the terminal
    bool debug = false;       // FUSE's own trace of every request, on stderr
};

// The process's exit status: 0 after a clean unmount.
int ServeMount(FilteredVolume& volume, const MountOptions& options);
