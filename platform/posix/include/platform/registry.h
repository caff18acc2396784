// The registry calls the system uses: open a key, query and set a DWORD
// value, close the key. On Linux the whole of HKEY_LOCAL_MACHINE lives in one
// text file in the regedit export format: $MORVANE_REGISTRY when that is set,
// else $XDG_CONFIG_HOME/morvane/registry.reg (~/.config/...). Reads parse the
// file afresh; writes rewrite it whole under an advisory lock. Key and value
// names match case-insensitively.
#pragma once

#include "platform/types.h"

struct RegistryKey;
typedef RegistryKey* HKEY;
typedef DWORD REGSAM;

#define HKEY_LOCAL_MACHINE ((HKEY)(uintptr_t)0x80000002u)

#define REG_NONE 0u
#define REG_SZ 1u
#define REG_BINARY 3u
#define REG_DWORD 4u

#define KEY_QUERY_VALUE 0x0001u
#define KEY_SET_VALUE 0x0002u

extern "C" {
// Opens an existing key; never creates one. ERROR_FILE_NOT_FOUND when the key
// is absent (or the file is missing or malformed). The access argument is
// ignored, as on the device.
LONG RegOpenKeyExW(HKEY root, LPCWSTR subKey, DWORD options, REGSAM access, HKEY* result);
// ERROR_FILE_NOT_FOUND for an absent value, ERROR_MORE_DATA when *size is too
// small for it; on success *type and *size describe the value.
LONG RegQueryValueExW(HKEY key, LPCWSTR name, DWORD* reserved, DWORD* type, BYTE* data, DWORD* size);
// Stores a REG_DWORD value (the only type the file holds), creating the value
// but not the key.
LONG RegSetValueExW(HKEY key, LPCWSTR name, DWORD reserved, DWORD type, const BYTE* data, DWORD size);
LONG RegCloseKey(HKEY key);
}
