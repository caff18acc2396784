#include "platform/heap.h"

#include <malloc.h>

#include <cstdlib>

#include "platform/heap_faults.h"

namespace {
// Any non-null value serves as the one process heap.
int processHeap;

// The filter takes and releases whole-file buffers at every open and close.
// Left to itself, glibc hands blocks of that size back to the kernel at each
// release (mmap, then trim), so the next open faults every page in afresh,
// which costs more than unpacking it. The process heap keeps them instead, up
// to glibc's largest mmap threshold (32 MiB on 64-bit hosts), as a device
// heap keeps its committed pages.
struct KeepLargeBlocks {
    KeepLargeBlocks() {
        constexpr int kLargest = 4 * 1024 * 1024 * static_cast<int>(sizeof(long));
        mallopt(M_MMAP_THRESHOLD, kLargest);
        mallopt(M_TRIM_THRESHOLD, 2 * kLargest);
    }
} keepLargeBlocks;
}  // namespace

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
