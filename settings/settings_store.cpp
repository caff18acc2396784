#include "settings/settings_store.h"

#include "platform/registry.h"

const WCHAR kFilterSettingsKey[] = WIDE("System\\StorageManager\\FATFS\\Filters\\Morvane");

namespace {

const WCHAR kEnableValue[] = WIDE("ENABLE");
const WCHAR kLevelValue[] = WIDE("LEVEL");

// Queries one 4-byte value into *value; a failed query leaves it as it was.
void QueryDword(HKEY key, const WCHAR* name, DWORD* value) {
    DWORD type = REG_DWORD;
    DWORD size = sizeof(DWORD);
    DWORD data = 0;
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) == ERROR_SUCCESS &&
        type == REG_DWORD && size == sizeof(DWORD)) {
        *value = data;
    }
}

// Open, query "ENABLE", query "LEVEL", close: the same for both readers, which
// differ only in what they preset.
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

}  // namespace

FilterSettings ReadSettingsForFilter() { return ReadSettings(FilterSettings{0, 9}); }

FilterSettings ReadSettingsForDialog() { return ReadSettings(FilterSettings{0, 9}); }

void WriteSettings(DWORD enable, LONG level) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kFilterSettingsKey, 0, 0, &key) != ERROR_SUCCESS) {
        return;
    }
    SetDword(key, kEnableValue, enable);
    SetDword(key, kLevelValue, static_cast<DWORD>(level));
    RegCloseKey(key);
}
