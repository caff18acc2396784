#include "storage/hooked_volume.h"

std::unique_ptr<HookedVolume> HookedVolume::Hook(const FilterEntries& filter, HANDLE disk,
                                                 const DWORD_PTR* lowerHooks) {
    DWORD_PTR volume = filter.HookVolume(disk, lowerHooks);
    if (volume == 0) {
        return nullptr;
    }
    return std::unique_ptr<HookedVolume>(new HookedVolume(filter, volume));
}
