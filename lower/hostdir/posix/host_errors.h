// The one translation of host error numbers into Win32 error codes.
#pragma once

#include "platform/types.h"

// ENOENT is ERROR_FILE_NOT_FOUND here; a missing directory on the way to a
// name is reported as ERROR_PATH_NOT_FOUND where the name is resolved.
DWORD Win32ErrorOf(int error);

// Sets the last error from errno; returns FALSE for the caller to pass on.
BOOL FailWithErrno();
