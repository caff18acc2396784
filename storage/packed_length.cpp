#include "filter/packed/packed_format.h"
#include "platform/last_error_guard.h"
#include "storage/packed_length.h"

bool ReadUnpackedLength(const LowerHooks& lower, const WCHAR* name, DWORD* length) {
    // Asking about a file must not change the caller's last error.
    LastErrorGuard keep;
    HANDLE opened = lower.CreateFileW(lower.lowerVolume, nullptr, name, GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (opened == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD_PTR file = reinterpret_cast<DWORD_PTR>(opened);
    BYTE header[kPackedHeaderSize] = {};
    DWORD done = 0;
    bool read = lower.ReadFile(file, header, sizeof(header), &done, nullptr) && done == sizeof(header);
    lower.CloseFile(file);
    if (!read || !IsPackedMagic(header, done)) {
        return false;
    }
    *length = DecodeUnpackedLength(header + sizeof(kPackedMagic));
    return true;
}
