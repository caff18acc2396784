#include "filter/temp_name.h"

#include "platform/counters.h"

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

void FormTempName(WCHAR* out) {
    LARGE_INTEGER counter;
    counter.QuadPart = static_cast<LONGLONG>(GetTickCount());
    QueryPerformanceCounter(&counter);
    FormatTempName(static_cast<ULONGLONG>(counter.QuadPart), out);
}
