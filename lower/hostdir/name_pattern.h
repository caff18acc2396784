// Search patterns, matched as FAT matches them.
#pragma once

#include "platform/utf.h"

// Whether a name matches the last component of a search pattern: * stands for
// any run of units, ? for any one unit, "*.*" for every name, and letters
// match without regard to case (ASCII, Latin-1, Greek and Cyrillic letters,
// as the device's FAT folds them). Host names keep their own spelling; only
// the comparison ignores case.
bool MatchesPattern(const WString& pattern, const WString& name);
