// Moving content between the host and the volume through the filter, in
// chunks, with a progress bar on a terminal. Each reports its own failure,
// naming the file, and returns false.
#pragma once

#include <iosfwd>
#include <string>

#include "storage/filtered_volume.h"

// Writes the volume file `name` (as the user spelled it) to `out`.
bool CopyFromVolume(const FilteredVolume& volume, const std::string& name, std::ostream& out);

// Replaces or creates the volume file `name` with the `size` bytes of `in`.
// The filter packs the file when it is closed, as the settings say.
bool CopyToVolume(const FilteredVolume& volume, std::istream& in, ULONGLONG size, const std::string& name);
