#include "platform/counters.h"

#include <ctime>

namespace {
ULONGLONG MonotonicNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<ULONGLONG>(now.tv_sec) * 1000000000u + static_cast<ULONGLONG>(now.tv_nsec);
}
}  // namespace

DWORD GetTickCount(void) { return static_cast<DWORD>(MonotonicNanoseconds() / 1000000u); }

BOOL QueryPerformanceCounter(LARGE_INTEGER* count) {
    count->QuadPart = static_cast<LONGLONG>(MonotonicNanoseconds());
    return TRUE;
}

BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency) {
    frequency->QuadPart = 1000000000;
    return TRUE;
}
