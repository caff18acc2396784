#include <cstdio>

#include "cli/formatting.h"

std::string ByteCount(ULONGLONG bytes) {
    static const char* const kUnits[] = {"KiB", "MiB", "GiB", "TiB"};
    std::string text = std::to_string(bytes);
    if (bytes < 1024) {
        return text;
    }
    double scaled = static_cast<double>(bytes) / 1024;
    size_t unit = 0;
    while (scaled >= 1024 && unit + 1 < sizeof(kUnits) / sizeof(kUnits[0])) {
        scaled /= 1024;
        ++unit;
    }
    char human[32];
    std::snprintf(human, sizeof(human), " (%.1f %s)", scaled, kUnits[unit]);
    return text + human;
}

std::string StoredRatio(ULONGLONG stored, ULONGLONG unpacked) {
    if (unpacked == 0) {
        return "-";
    }
    char ratio[32];
    std::snprintf(ratio, sizeof(ratio), "%.1f%%", 100.0 * static_cast<double>(stored) / static_cast<double>(unpacked));
    return ratio;
}
