// The root of a volume on Win32, and volume names resolved beneath it.
#pragma once

#include "lower/hostdir/host_directory_volume.h"
#include "lower/hostdir/volume_name.h"
#include "platform/utf.h"

// The root's full path in the long-path form ("\\?\C:\..."), so that the
// host applies no name rewriting of its own to the checked components.
struct HostDirectoryVolume::Host {
    WString root;
};

// A volume name on the host: its full path, the root's when it has no
// component. Each directory on the way has been checked to be a directory
// and no reparse point (a link or junction could lead out of the tree).
// Kernel32 has no calls relative to a directory handle, so a directory
// swapped for a junction after that check is not caught for the calls on
// names; an open is checked again afterwards by the final path of its handle.
struct HostName {
    WString path;
    bool root;

    bool IsRoot() const { return root; }
};

// False with the last error set: the name's own refusal (volume_name.h),
// ERROR_PATH_NOT_FOUND for a missing directory on the way,
// ERROR_ACCESS_DENIED for a reparse point on the way.
bool ResolveName(const HostDirectoryVolume::Host& host, const WCHAR* name, NameUse use, HostName* resolved);

// The attributes of a resolved name, refusing a reparse point
// (ERROR_ACCESS_DENIED); INVALID_FILE_ATTRIBUTES with the host's error.
DWORD VolumeAttributes(const HostName& name);

// Whether an open handle's file lies below the root, whatever led to it.
bool LiesBelowRoot(const HostDirectoryVolume::Host& host, HANDLE file);

const HostDirectoryVolume::Host& HostOf(DWORD_PTR volume);
