#include "lower/hostdir/name_pattern.h"

namespace {

WCHAR FoldCase(WCHAR unit) {
    bool lowerAscii = unit >= u'a' && unit <= u'z';
    bool lowerLatin1 = unit >= 0xE0 && unit <= 0xFE && unit != 0xF7;
    bool lowerGreek = unit >= 0x3B1 && unit <= 0x3C9 && unit != 0x3C2;
    bool lowerCyrillic = unit >= 0x430 && unit <= 0x44F;
    if (lowerAscii || lowerLatin1 || lowerGreek || lowerCyrillic) {
        return static_cast<WCHAR>(unit - 0x20);
    }
    if (unit >= 0x450 && unit <= 0x45F) {
        return static_cast<WCHAR>(unit - 0x50);
    }
    return unit;
}

}  // namespace

bool MatchesPattern(const WString& pattern, const WString& name) {
    if (pattern == WIDE("*.*")) {
        return true;
    }
    // Greedy match that returns to the last star on a mismatch.
    size_t p = 0;
    size_t n = 0;
    size_t star = WString::npos;
    size_t resume = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == u'*') {
            star = p++;
            resume = n;
        } else if (p < pattern.size() && (pattern[p] == u'?' || FoldCase(pattern[p]) == FoldCase(name[n]))) {
            ++p;
            ++n;
        } else if (star != WString::npos) {
            p = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*') {
        ++p;
    }
    return p == pattern.size();
}
