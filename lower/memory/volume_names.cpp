#include "lower/memory/volume_names.h"

namespace {

constexpr size_t kMaxComponentUnits = 255;
constexpr size_t kMaxPathUnits = MAX_PATH - 1;

bool IsSeparator(WCHAR unit) { return unit == '\\' || unit == '/'; }

bool IsWildcard(WCHAR unit) { return unit == '*' || unit == '?'; }

bool IsForbidden(WCHAR unit) {
    switch (unit) {
    case '<':
    case '>':
    case ':':
    case '"':
    case '|':
        return true;
    default:
        return unit < 0x20;
    }
}

DWORD CheckComponent(const WString& component, bool pattern) {
    if (component.empty() || component == WIDE(".") || component == WIDE("..")) {
        return ERROR_INVALID_NAME;
    }
    if (component.size() > kMaxComponentUnits) {
        return ERROR_FILENAME_EXCED_RANGE;
    }
    for (WCHAR unit : component) {
        if (IsForbidden(unit) || (!pattern && IsWildcard(unit))) {
            return ERROR_INVALID_NAME;
        }
    }
    return 0;
}

// The letters FAT's upcase table folds that a device's names commonly use:
// ASCII, Latin-1, basic Greek and Cyrillic.
WCHAR FoldUnit(WCHAR unit) {
    if ((unit >= 'a' && unit <= 'z') || (unit >= 0xE0 && unit <= 0xFE && unit != 0xF7) ||
        (unit >= 0x3B1 && unit <= 0x3C9 && unit != 0x3C2) || (unit >= 0x430 && unit <= 0x44F)) {
        return static_cast<WCHAR>(unit - 0x20);
    }
    if (unit >= 0x450 && unit <= 0x45F) {
        return static_cast<WCHAR>(unit - 0x50);
    }
    return unit;
}

bool Match(const WString& pattern, const WString& name) {
    // Backtracks only to the latest "*": enough for names of 255 units.
    size_t p = 0;
    size_t n = 0;
    size_t starP = WString::npos;
    size_t starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == name[n])) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (starP != WString::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') {
        ++p;
    }
    return p == pattern.size();
}

}  // namespace

DWORD SplitPath(const WCHAR* path, bool patternLast, std::vector<WString>* components) {
    components->clear();
    if (path == nullptr || !IsSeparator(path[0])) {
        return ERROR_INVALID_NAME;
    }
    WString whole(path);
    if (whole.size() > kMaxPathUnits) {
        return ERROR_FILENAME_EXCED_RANGE;
    }
    if (whole.size() == 1) {
        return 0;
    }
    size_t start = 1;
    while (true) {
        size_t end = start;
        while (end < whole.size() && !IsSeparator(whole[end])) {
            ++end;
        }
        components->push_back(whole.substr(start, end - start));
        if (end == whole.size()) {
            break;
        }
        start = end + 1;
    }
    for (size_t i = 0; i < components->size(); ++i) {
        bool last = i + 1 == components->size();
        if (DWORD error = CheckComponent((*components)[i], patternLast && last)) {
            return error;
        }
    }
    return 0;
}

WString FoldName(const WString& name) {
    WString folded(name);
    for (WCHAR& unit : folded) {
        unit = FoldUnit(unit);
    }
    return folded;
}

bool MatchesPattern(const WString& pattern, const WString& name) {
    if (Match(pattern, name)) {
        return true;
    }
    // "*.*" and "x*.*" also match names without a dot, as on FAT.
    static const WString kAnyExtension = WIDE(".*");
    if (pattern.size() >= 2 && pattern.compare(pattern.size() - 2, 2, kAnyExtension) == 0 &&
        name.find('.') == WString::npos) {
        return Match(pattern.substr(0, pattern.size() - 2), name);
    }
    return false;
}
