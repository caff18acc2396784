// Attaching the filter to a volume and detaching it.
#include <cstring>

#include "filter/morvane.h"
#include "filter/records.h"
#include "platform/heap_buffer.h"
#include "platform/last_error.h"

DWORD_PTR MRV_HookVolume(HANDLE disk, const DWORD_PTR* lowerHooks) {
    HeapRecord<FilterVolume> volume;
    if (!volume) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    volume->disk = reinterpret_cast<DWORD_PTR>(disk);
    std::memcpy(&volume->hooks, lowerHooks, sizeof(volume->hooks));
    InitializeCriticalSection(&volume->settleLock);
    return reinterpret_cast<DWORD_PTR>(volume.Detach());
}

BOOL MRV_UnhookVolume(DWORD_PTR volume) {
    DeleteCriticalSection(&VolumeOf(volume)->settleLock);
    HeapRecord<FilterVolume> released(VolumeOf(volume));
    return TRUE;
}
