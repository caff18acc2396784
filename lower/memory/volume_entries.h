// The volume's 27 entry points, filled into a lower table.
#pragma once

#include "filter/lower_hooks.h"

// The table for the volume whose word is `volumeWord`.
LowerHooks MemoryVolumeHooks(DWORD_PTR volumeWord);
