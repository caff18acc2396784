// The filter's settings key in the real registry, set up and read back by
// tests directly, not through the settings store.
#pragma once

#include <optional>

#include "platform/types.h"

namespace settings_key {

// Creates the key if needed and stores both values.
void Store(DWORD enable, DWORD level);
// Deletes the key with its values.
void Remove();
bool Exists();
// The value, or nothing when it or the key is missing.
std::optional<DWORD> Read(const WCHAR* name);

}  // namespace settings_key
