// One host directory served as a volume with MORVANE above it, as the
// device's storage manager sets a volume up: load the filter library by name,
// open the lower volume, hook the filter onto the lower table. Torn down in
// the reverse order: unhook, close the lower volume, unload the library.
#pragma once

#include <memory>
#include <string>

#include "filter/lower_hooks.h"
#include "lower/hostdir/host_directory_volume.h"
#include "storage/filter_library.h"
#include "storage/hooked_volume.h"

class FilteredVolume {
public:
    // Null with a message naming what failed in *error.
    static std::unique_ptr<FilteredVolume> Open(const std::string& rootUtf8, std::string* error);

    const FilterEntries& Filter() const { return library_->Entries(); }
    // The FilterVolume word.
    DWORD_PTR Word() const { return hooked_->Word(); }
    // The lower table, for what storage reads of a stored file itself.
    const LowerHooks& Lower() const { return *reinterpret_cast<const LowerHooks*>(lower_->Hooks()); }
    const std::string& Root() const { return lower_->Root(); }

private:
    FilteredVolume() = default;

    // Declared in the order of setting up; members go in reverse.
    std::unique_ptr<FilterLibrary> library_;
    std::unique_ptr<HostDirectoryVolume> lower_;
    std::unique_ptr<HookedVolume> hooked_;
};
