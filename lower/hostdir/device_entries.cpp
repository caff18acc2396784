// The entries a host directory has nothing to do for: notifications and
// callbacks are accepted, device controls are not supported.
#include "lower/hostdir/host_entries.h"
#include "platform/last_error.h"

namespace hostdir {

BOOL Notify(DWORD_PTR, DWORD) { return TRUE; }

BOOL RegisterFileSystemFunction(DWORD_PTR, void*) { return TRUE; }

BOOL DeviceIoControl(DWORD_PTR, DWORD, void*, DWORD, void*, DWORD, DWORD*, void*) {
    SetLastError(ERROR_INVALID_FUNCTION);
    return FALSE;
}

}  // namespace hostdir
