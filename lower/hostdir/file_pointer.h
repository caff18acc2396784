// SetFilePointer's arithmetic, the same on every host.
#pragma once

#include <cstdint>

#include "platform/types.h"

// The new position of a move by `distance` (and `*distanceHigh` when given)
// from the start, `current` or `size`, by `moveMethod`; false with the last
// error set when the method is unknown (ERROR_INVALID_PARAMETER), the
// position would be negative (ERROR_NEGATIVE_SEEK), or it does not fit 32
// bits while the caller gave no high part (ERROR_INVALID_PARAMETER).
bool NewFilePointer(LONG distance, const LONG* distanceHigh, DWORD moveMethod, int64_t current, int64_t size,
                    int64_t* position);
