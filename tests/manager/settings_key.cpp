#include "tests/manager/settings_key.h"

namespace settings_key {

namespace {

const WCHAR kPath[] = WIDE("System\\StorageManager\\FATFS\\Filters\\Morvane");

}  // namespace

void Store(DWORD enable, DWORD level) {
    HKEY key = nullptr;
    if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kPath, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS) {
        return;
    }
    ::RegSetValueExW(key, WIDE("ENABLE"), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&enable), sizeof(enable));
    ::RegSetValueExW(key, WIDE("LEVEL"), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&level), sizeof(level));
    ::RegCloseKey(key);
}

void Remove() { ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, kPath); }

bool Exists() {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kPath, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
        return false;
    }
    ::RegCloseKey(key);
    return true;
}

std::optional<DWORD> Read(const WCHAR* name) {
    DWORD value = 0;
    DWORD size = sizeof(value);
    if (::RegGetValueW(HKEY_LOCAL_MACHINE, kPath, name, RRF_RT_REG_DWORD, nullptr, &value, &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return value;
}

}  // namespace settings_key
