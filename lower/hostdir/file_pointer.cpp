#include "lower/hostdir/file_pointer.h"

#include "platform/last_error.h"

namespace {

bool Refuse(DWORD error) {
    SetLastError(error);
    return false;
}

}  // namespace

bool NewFilePointer(LONG distance, const LONG* distanceHigh, DWORD moveMethod, int64_t current, int64_t size,
                    int64_t* position) {
    // Without a high part the distance is a signed 32-bit value.
    int64_t move = distanceHigh != nullptr
                       ? static_cast<int64_t>((static_cast<uint64_t>(static_cast<uint32_t>(*distanceHigh)) << 32) |
                                              static_cast<uint32_t>(distance))
                       : static_cast<int64_t>(distance);
    int64_t base;
    switch (moveMethod) {
    case FILE_BEGIN:
        base = 0;
        break;
    case FILE_CURRENT:
        base = current;
        break;
    case FILE_END:
        base = size;
        break;
    default:
        return Refuse(ERROR_INVALID_PARAMETER);
    }
    if (move < 0 && base + move < 0) {
        return Refuse(ERROR_NEGATIVE_SEEK);
    }
    if (move > 0 && base > INT64_MAX - move) {
        return Refuse(ERROR_INVALID_PARAMETER);
    }
    *position = base + move;
    if (distanceHigh == nullptr && *position > static_cast<int64_t>(UINT32_MAX)) {
        return Refuse(ERROR_INVALID_PARAMETER);
    }
    return true;
}
