#include "platform/registry.h"

// This file calls advapi32's own open call.
#undef RegOpenKeyExW

LONG DeviceRegOpenKeyExW(HKEY root, LPCWSTR subKey, DWORD options, REGSAM access, PHKEY result) {
    return RegOpenKeyExW(root, subKey, options, access != 0 ? access : KEY_QUERY_VALUE | KEY_SET_VALUE, result);
}
