#include "platform/heap.h"

#include <cstdlib>

#include "platform/heap_faults.h"

namespace {
// Any non-null value serves as the one process heap.
int processHeap;
}

HANDLE GetProcessHeap(void) { return &processHeap; }

LPVOID HeapAlloc(HANDLE, DWORD flags, SIZE_T bytes) {
    if (HeapFaultDue()) {
        return nullptr;
    }
    // malloc(0) may return null; a zero-byte block is still a block.
    void* block = (flags & HEAP_ZERO_MEMORY) ? calloc(1, bytes ? bytes : 1) : malloc(bytes ? bytes : 1);
    return block;
}

BOOL HeapFree(HANDLE, DWORD, LPVOID block) {
    free(block);
    return TRUE;
}
