// Closing a file (stub until the close path lands).
#include "filter/morvane.h"
#include "filter/records.h"
#include "platform/heap_buffer.h"

BOOL MRV_CloseFile(DWORD_PTR file) {
    HeapRecord<FilterHandle> handle(HandleOf(file));
    return handle->hooks->CloseFile(handle->lowerHandle);
}
