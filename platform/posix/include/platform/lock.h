// A recursive lock with the Win32 critical-section calls.
#pragma once

#include "platform/types.h"

// Opaque storage for the host's mutex; lock.cpp checks that it fits.
struct CRITICAL_SECTION {
    alignas(16) unsigned char storage[64];
};

extern "C" {
void InitializeCriticalSection(CRITICAL_SECTION* section);
void DeleteCriticalSection(CRITICAL_SECTION* section);
void EnterCriticalSection(CRITICAL_SECTION* section);
void LeaveCriticalSection(CRITICAL_SECTION* section);
}
