#include "platform/last_error.h"

namespace {
thread_local DWORD lastError = ERROR_SUCCESS;
}

DWORD GetLastError(void) { return lastError; }

void SetLastError(DWORD error) { lastError = error; }
