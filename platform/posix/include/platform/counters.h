// System counters: a millisecond tick count and a high-resolution counter.
#pragma once

#include "platform/types.h"

extern "C" {
// Milliseconds since an arbitrary start, wrapping at 2^32.
DWORD GetTickCount(void);
// Nanoseconds since an arbitrary start.
BOOL QueryPerformanceCounter(LARGE_INTEGER* count);
BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency);
}
