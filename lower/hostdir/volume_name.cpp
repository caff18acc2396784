#include "lower/hostdir/volume_name.h"

#include "platform/last_error.h"

namespace {

bool IsSeparator(WCHAR unit) { return unit == u'\\' || unit == u'/'; }

bool IsHighSurrogate(WCHAR unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(WCHAR unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

bool IsForbiddenUnit(WCHAR unit) {
    switch (unit) {
    case u'<': case u'>': case u':': case u'"': case u'|': case u'\\': case u'/':
        return true;
    default:
        return unit < 0x20;
    }
}

WCHAR AsciiUpper(WCHAR unit) { return unit >= u'a' && unit <= u'z' ? static_cast<WCHAR>(unit - 0x20) : unit; }

bool EqualsUpper(const WCHAR* text, size_t units, const char* upper) {
    size_t i = 0;
    for (; i < units && upper[i] != 0; ++i) {
        if (AsciiUpper(text[i]) != static_cast<WCHAR>(upper[i])) {
            return false;
        }
    }
    return i == units && upper[i] == 0;
}

// Win32 reaches a device through these names whatever extension follows and
// whatever spaces precede the extension.
bool IsDeviceName(const WString& component) {
    size_t base = component.find(u'.');
    if (base == WString::npos) {
        base = component.size();
    }
    while (base > 0 && component[base - 1] == u' ') {
        --base;
    }
    const WCHAR* text = component.data();
    static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"};
    for (const char* device : kDevices) {
        if (EqualsUpper(text, base, device)) {
            return true;
        }
    }
    if (base == 4 && (EqualsUpper(text, 3, "COM") || EqualsUpper(text, 3, "LPT"))) {
        WCHAR digit = text[3];
        // Win32 takes the superscript digits one to three as port numbers too.
        return (digit >= u'1' && digit <= u'9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3;
    }
    return false;
}

bool IsDotsAndSpaces(const WString& component) {
    return component.find_first_not_of(WIDE(". ")) == WString::npos;
}

bool Refuse(DWORD error) {
    SetLastError(error);
    return false;
}

// Checks one component; wildcards only where the caller allows them.
bool CheckComponent(const WString& component, bool wildcards) {
    if (component.size() > kMaxComponentUnits) {
        return Refuse(ERROR_FILENAME_EXCED_RANGE);
    }
    if (component.empty() || IsDotsAndSpaces(component)) {
        return Refuse(ERROR_INVALID_NAME);
    }
    for (size_t i = 0; i < component.size(); ++i) {
        WCHAR unit = component[i];
        if (IsHighSurrogate(unit) && i + 1 < component.size() && IsLowSurrogate(component[i + 1])) {
            ++i;
            continue;
        }
        bool wildcard = unit == u'*' || unit == u'?';
        if (IsForbiddenUnit(unit) || IsHighSurrogate(unit) || IsLowSurrogate(unit) || (wildcard && !wildcards)) {
            return Refuse(ERROR_INVALID_NAME);
        }
    }
    // A pattern such as "*." relies on its trailing dot; it names no file.
    WCHAR last = component.back();
    if (!wildcards && (last == u'.' || last == u' ')) {
        return Refuse(ERROR_INVALID_NAME);
    }
    if (IsDeviceName(component)) {
        return Refuse(ERROR_INVALID_NAME);
    }
    return true;
}

}  // namespace

bool SplitVolumeName(const WCHAR* name, NameUse use, std::vector<WString>* components) {
    components->clear();
    if (name == nullptr || name[0] != u'\\') {
        return Refuse(ERROR_INVALID_NAME);
    }
    size_t length = 0;
    while (name[length] != 0) {
        if (++length > kMaxVolumeNameUnits) {
            return Refuse(ERROR_FILENAME_EXCED_RANGE);
        }
    }
    size_t start = 1;
    while (start < length) {
        size_t end = start;
        while (end < length && !IsSeparator(name[end])) {
            ++end;
        }
        if (end == start) {
            return Refuse(ERROR_INVALID_NAME);
        }
        components->emplace_back(name + start, end - start);
        // One trailing separator is allowed; anything after it starts a component.
        start = end + 1;
    }
    for (size_t i = 0; i < components->size(); ++i) {
        bool last = i + 1 == components->size();
        if (!CheckComponent((*components)[i], last && use == NameUse::kPattern)) {
            components->clear();
            return false;
        }
    }
    return true;
}

bool IsVolumeComponent(const WString& component) {
    DWORD saved = GetLastError();
    bool accepted = CheckComponent(component, false);
    SetLastError(saved);
    return accepted;
}
