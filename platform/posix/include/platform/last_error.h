// The calling thread's last error code, shared by every module of the process
// (the platform is one shared library, as kernel32 is on Win32).
#pragma once

#include "platform/types.h"

extern "C" {
DWORD GetLastError(void);
void SetLastError(DWORD error);
}
