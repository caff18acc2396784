#include "settings/settings_store.h"

#include "platform/registry.h"

const WCHAR kFilterSettingsKey[] = WIDE("System\\StorageManager\\FATFS\\Filters\\Morvane");

namespace {

const WCHAR kEnableValue[] = WIDE("ENABLE");
const WCHAR kLevelValue[] = WIDE("LEVEL");

// Queries one value into the 4 bytes of *value, as the device's reader does:
// a successful query stores what it read, whatever its type; a failed one
// leaves *value as it was (a scratch copy keeps it safe from a registry that
// writes part of a value it then refuses).
void QueryDword(HKEY key, const WCHAR* name, DWORD* value) {
    DWORD type = REG_DWORD;
    DWORD size = sizeof(DWORD);
    DWORD data = *value;
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) == ERROR_SUCCESS) {
        *value = data;
    }
}

// Open, query "ENABLE", query "LEVEL", close: the same for both readers.
FilterSettings ReadSettings(FilterSettings presets) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kFilterSettingsKey, 0, 0, &key) != ERROR_SUCCESS) {
        return presets;
    }
    DWORD enable = presets.enable;
    DWORD level = static_cast<DWORD>(presets.level);
    QueryDword(key, kEnableValue, &enable);
    QueryDword(key, kLevelValue, &level);
    RegCloseKey(key);
    return FilterSettings{enable, static_cast<LONG>(level)};
}

void SetDword(HKEY key, const WCHAR* name, DWORD value) {
    RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
}

// What a missing key or value reads as, for the filter (off, and the level it
// would pack at) and for the dialog alike.
const FilterSettings kMissingSettings{0, 9};

}  // namespace

FilterSettings ReadSettingsForFilter() { return ReadSettings(kMissingSettings); }

FilterSettings ReadSettingsForDialog() { return ReadSettings(kMissingSettings); }

void WriteSettings(DWORD enable, LONG level) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kFilterSettingsKey, 0, 0, &key) != ERROR_SUCCESS) {
        return;
    }
    SetDword(key, kEnableValue, enable);
    SetDword(key, kLevelValue, static_cast<DWORD>(level));
    RegCloseKey(key);
}
