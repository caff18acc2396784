#include "tests/support/settings_seed.h"

namespace {
const WCHAR kKey[] = L"System\\StorageManager\\FATFS\\Filters\\Morvane";

void SetOrDelete(HKEY key, const WCHAR* name, std::optional<DWORD> value) {
    if (value) {
        DWORD data = *value;
        RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof(data));
    } else {
        RegDeleteValueW(key, name);
    }
}
}  // namespace

void SeedSettings(std::optional<DWORD> enable, std::optional<DWORD> level) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS) {
        return;
    }
    SetOrDelete(key, L"ENABLE", enable);
    SetOrDelete(key, L"LEVEL", level);
    RegCloseKey(key);
}

void RemoveSettingsKey() { RegDeleteKeyW(HKEY_LOCAL_MACHINE, kKey); }
