// A recursive lock with the Win32 critical-section calls.
#pragma once

#include <cstddef>

#include "platform/types.h"

// Opaque storage for the host's mutex; lock.cpp checks that it fits. Aligned
// no more than a heap block is (8 bytes on 32-bit ARM), since records that
// embed one live on the heap.
struct CRITICAL_SECTION {
    alignas(std::max_align_t) unsigned char storage[64];
};

extern "C" {
void InitializeCriticalSection(CRITICAL_SECTION* section);
void DeleteCriticalSection(CRITICAL_SECTION* section);
void EnterCriticalSection(CRITICAL_SECTION* section);
void LeaveCriticalSection(CRITICAL_SECTION* section);
}
