// The registry calls the system uses, on the real Win32 registry.
//
// The device's registry ignores the access argument of its open call, which
// the system passes as 0. Desktop Win32 and Wine grant nothing for 0: every
// query and set on such a key fails with ERROR_ACCESS_DENIED. So the system's
// calls to RegOpenKeyExW reach DeviceRegOpenKeyExW, which asks for query and
// set access where 0 was passed.
#pragma once

#include "platform/types.h"

LONG DeviceRegOpenKeyExW(HKEY root, LPCWSTR subKey, DWORD options, REGSAM access, PHKEY result);

#define RegOpenKeyExW DeviceRegOpenKeyExW
