#include "filter/temporary_files.h"

#include "platform/counters.h"
#include "platform/last_error.h"
#include "platform/last_error_guard.h"

namespace {
// Each collision means a file of that name exists; a handful of tries with
// distinct numbers finds a free one unless the root is flooded with them.
constexpr DWORD kCreateAttempts = 16;
}  // namespace

void FormatTempName(ULONGLONG counter, WCHAR* out) {
    static const WCHAR kPrefix[] = WIDE("\\TMP");
    DWORD value = static_cast<DWORD>(counter);
    WCHAR digits[10];
    int count = 0;
    do {
        digits[count++] = static_cast<WCHAR>(WIDE('0') + value % 10);
        value /= 10;
    } while (value != 0);
    int at = 0;
    for (const WCHAR* p = kPrefix; *p != 0; ++p) {
        out[at++] = *p;
    }
    while (count > 0) {
        out[at++] = digits[--count];
    }
    out[at] = 0;
}

void FormTempName(WCHAR* out, DWORD attempt) {
    LARGE_INTEGER counter;
    counter.QuadPart = static_cast<LONGLONG>(GetTickCount());
    QueryPerformanceCounter(&counter);
    FormatTempName(static_cast<ULONGLONG>(counter.QuadPart) + attempt, out);
}

HANDLE CreateTemporaryFile(const LowerHooks& lower, HANDLE process, WCHAR* name) {
    for (DWORD attempt = 0; attempt < kCreateAttempts; ++attempt) {
        FormTempName(name, attempt);
        HANDLE file = lower.CreateFileW(lower.lowerVolume, process, name, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            return file;
        }
        // A lower layer need not say why CREATE_NEW failed: ask whether the
        // name is taken, and keep the create's error for the caller if not.
        bool taken;
        {
            LastErrorGuard keep;
            taken = lower.GetFileAttributesW(lower.lowerVolume, name) != INVALID_FILE_ATTRIBUTES;
        }
        if (!taken) {
            return INVALID_HANDLE_VALUE;
        }
    }
    SetLastError(ERROR_FILE_EXISTS);
    return INVALID_HANDLE_VALUE;
}

BOOL DeleteTemporaryFile(const LowerHooks& lower, const WCHAR* name) {
    LastErrorGuard keep;
    DWORD attributes = lower.GetFileAttributesW(lower.lowerVolume, name);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        lower.SetFileAttributesW(lower.lowerVolume, name, attributes & ~FILE_ATTRIBUTE_READONLY);
    }
    return lower.DeleteFileW(lower.lowerVolume, name);
}
