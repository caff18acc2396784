// The root of a volume on Linux, and volume names resolved beneath it.
#pragma once

#include <string>

#include "lower/hostdir/host_directory_volume.h"
#include "platform/unique_fd.h"
#include "lower/hostdir/volume_name.h"

// A path descriptor of the root directory; every name is resolved from it.
struct HostDirectoryVolume::Host {
    UniqueFd root;
};

// A volume name on the host: the directory holding its last component, and
// that component (empty for the root itself). The directory is reached from
// the root one component at a time with O_NOFOLLOW, so no symbolic link is
// ever followed on the way, and calls on the last component use the *at
// forms that do not follow one either. What this cannot stop: someone with
// write access outside the tree moving a directory out of it while a call
// holds that directory open.
struct HostName {
    UniqueFd directory;
    std::string leaf;

    bool IsRoot() const { return leaf.empty(); }
};

// False with the last error set: the name's own refusal (volume_name.h),
// ERROR_PATH_NOT_FOUND for a missing directory on the way,
// ERROR_ACCESS_DENIED for a symbolic link or special file on the way.
bool ResolveName(const HostDirectoryVolume::Host& host, const WCHAR* name, NameUse use, HostName* resolved);

// The root of the volume word that an entry received.
const HostDirectoryVolume::Host& HostOf(DWORD_PTR volume);
