#include "storage/fuse/file_times.h"

namespace {
constexpr ULONGLONG kTicksPerSecond = 10000000;
constexpr ULONGLONG kSecondsFrom1601To1970 = 11644473600ULL;
}  // namespace

timespec ToTimespec(const FILETIME& time) {
    const ULONGLONG ticks = (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    timespec result{};
    const ULONGLONG seconds = ticks / kTicksPerSecond;
    // Times before 1970 show as 1970.
    if (seconds >= kSecondsFrom1601To1970) {
        result.tv_sec = static_cast<time_t>(seconds - kSecondsFrom1601To1970);
        result.tv_nsec = static_cast<long>(ticks % kTicksPerSecond * 100);
    }
    return result;
}

FILETIME ToFiletime(const timespec& time) {
    const ULONGLONG seconds = time.tv_sec > 0 ? static_cast<ULONGLONG>(time.tv_sec) : 0;
    const ULONGLONG ticks =
        (seconds + kSecondsFrom1601To1970) * kTicksPerSecond + static_cast<ULONGLONG>(time.tv_nsec) / 100;
    return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}
