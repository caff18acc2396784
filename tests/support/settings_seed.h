// Sets the filter's settings key for a test, in the build's real store: the
// registry file of the Linux stand-in (a file of this test process's own), or
// Wine's registry. A missing value is left out; RemoveSettingsKey deletes the
// key itself.
#pragma once

#include <optional>

#include "platform/types.h"

void SeedSettings(std::optional<DWORD> enable, std::optional<DWORD> level);
void RemoveSettingsKey();

// What the store holds, read without the store's own calls: false when the
// key is missing, or the value is missing or not a DWORD.
bool SettingsKeyExists();
bool ReadSeededValue(const WCHAR* name, DWORD* value);

// Installs the filter's key as an installation does, from install/morvane.reg.
void ImportInstallFile();
