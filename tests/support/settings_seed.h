// Sets the filter's settings key for a test, in the build's real store: the
// registry file of the Linux stand-in (a file of this test process's own), or
// Wine's registry. A missing value is left out; RemoveSettingsKey deletes the
// key itself.
#pragma once

#include <optional>

#include "platform/types.h"

void SeedSettings(std::optional<DWORD> enable, std::optional<DWORD> level);
void RemoveSettingsKey();
