// The process heap.
#pragma once

#include "platform/types.h"

extern "C" {
HANDLE GetProcessHeap(void);
// Returns null when no memory is left; HEAP_ZERO_MEMORY zeroes the block.
LPVOID HeapAlloc(HANDLE heap, DWORD flags, SIZE_T bytes);
// Accepts null, as the Win32 call does.
BOOL HeapFree(HANDLE heap, DWORD flags, LPVOID block);
}
