// The names a host directory volume accepts, and their components.
//
// A volume name is UTF-16, begins with a backslash and is relative to the
// volume root; backslash and slash both separate components, as on the
// device. Confinement starts here: a name is refused before any host call
// unless every component is a plain FAT-style name that cannot climb out of
// the root or name anything but a file of the tree:
//
// - ERROR_INVALID_NAME: no leading backslash (drive and host paths), an empty
//   component (UNC, "\\?\", "\\.\", doubled separators), a component of dots
//   and spaces only ("." and ".." in every spelling Win32 would strip down to
//   them), a trailing dot or space (Win32 strips them, so the name would mean
//   another file there), a control character or one of < > : " | (drive and
//   stream syntax included), a wildcard outside a pattern's last component,
//   a device name (CON, NUL, COM1, LPT1, ... with or without an extension),
//   an unpaired surrogate;
// - ERROR_FILENAME_EXCED_RANGE: a component over 255 units, a name over 259.
//
// A single trailing separator is accepted ("\dir\" names "\dir"); "\" alone
// names the root and has no components.
#pragma once

#include <vector>

#include "platform/types.h"
#include "platform/utf.h"

constexpr size_t kMaxVolumeNameUnits = MAX_PATH - 1;
constexpr size_t kMaxComponentUnits = 255;

// Whether the last component may hold the wildcards * and ?.
enum class NameUse { kFile, kPattern };

// Splits a volume name into its components; false with the last error set
// when the name is refused.
bool SplitVolumeName(const WCHAR* name, NameUse use, std::vector<WString>* components);

// Whether a host directory entry can be named through the volume, so that a
// search lists only names that the volume's own calls accept.
bool IsVolumeComponent(const WString& component);
