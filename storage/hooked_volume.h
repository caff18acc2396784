// A lower volume with the filter hooked above it: HookVolume on creation,
// UnhookVolume on destruction. Every file and search opened through it must
// be closed before it goes.
#pragma once

#include <memory>

#include "storage/filter_entries.h"

class HookedVolume {
public:
    // Null with the filter's last error when HookVolume refuses.
    static std::unique_ptr<HookedVolume> Hook(const FilterEntries& filter, HANDLE disk, const DWORD_PTR* lowerHooks);
    ~HookedVolume() { filter_.UnhookVolume(volume_); }
    HookedVolume(const HookedVolume&) = delete;
    HookedVolume& operator=(const HookedVolume&) = delete;

    const FilterEntries& Filter() const { return filter_; }
    // The FilterVolume word, first argument of every volume-level call.
    DWORD_PTR Word() const { return volume_; }

private:
    HookedVolume(const FilterEntries& filter, DWORD_PTR volume) : filter_(filter), volume_(volume) {}

    const FilterEntries& filter_;
    DWORD_PTR volume_;
};
