// The filter library, loaded by file name with its 29 entry points resolved
// by name, as the device's storage manager loads it. Unloaded last, after
// every volume hooked through it has been unhooked.
#pragma once

#include <memory>
#include <string>

#include "storage/filter_entries.h"
#include "storage/shared_module.h"

class FilterLibrary {
public:
    // Null when the library cannot be loaded or lacks an entry; *error says
    // which.
    static std::unique_ptr<FilterLibrary> Load(const std::string& pathUtf8, std::string* error);

    const FilterEntries& Entries() const { return entries_; }

private:
    FilterLibrary(std::unique_ptr<SharedModule> module, const FilterEntries& entries)
        : module_(std::move(module)), entries_(entries) {}

    std::unique_ptr<SharedModule> module_;
    FilterEntries entries_;
};
