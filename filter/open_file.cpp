// Opening a file (stub until the open path lands).
#include "filter/morvane.h"
#include "filter/records.h"
#include "platform/heap_buffer.h"

HANDLE MRV_CreateFileW(DWORD_PTR volume, HANDLE process, const WCHAR* name, DWORD access, DWORD shareMode,
                       void* security, DWORD creation, DWORD flagsAndAttributes, HANDLE templateFile) {
    FilterVolume* filterVolume = VolumeOf(volume);
    const LowerHooks& lower = filterVolume->hooks;
    HeapRecord<FilterHandle> handle;
    HANDLE file = lower.CreateFileW(lower.lowerVolume, process, name, access, shareMode, security, creation,
                                    flagsAndAttributes, templateFile);
    if (file == INVALID_HANDLE_VALUE) {
        return INVALID_HANDLE_VALUE;
    }
    handle->disk = filterVolume->disk;
    handle->hooks = &filterVolume->hooks;
    handle->lowerHandle = reinterpret_cast<DWORD_PTR>(file);
    handle->process = reinterpret_cast<DWORD_PTR>(process);
    return reinterpret_cast<HANDLE>(handle.Detach());
}
