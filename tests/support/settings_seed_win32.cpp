#include "tests/support/settings_seed.h"

#include <string>

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

// The build's path of install/morvane.reg, as Wine's drive Z: shows the host's root.
std::wstring InstallFileOnDriveZ() {
    std::wstring path = L"Z:";
    for (const char* c = MORVANE_INSTALL_FILE; *c; ++c) {
        path.push_back(*c == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(*c)));
    }
    return path;
}

// Closes a handle on every path out of a scope.
class HandleGuard {
public:
    explicit HandleGuard(HANDLE handle) : handle_(handle) {}
    ~HandleGuard() { CloseHandle(handle_); }
    HandleGuard(const HandleGuard&) = delete;
    HandleGuard& operator=(const HandleGuard&) = delete;

private:
    HANDLE handle_;
};
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

bool SettingsKeyExists() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

bool ReadSeededValue(const WCHAR* name, DWORD* value) {
    DWORD size = sizeof(*value);
    return RegGetValueW(HKEY_LOCAL_MACHINE, kKey, name, RRF_RT_REG_DWORD, nullptr, value, &size) == ERROR_SUCCESS;
}

// Runs "reg import", as an installer would; a failed import shows as a missing key.
void ImportInstallFile() {
    std::wstring command = L"reg.exe import \"" + InstallFileOnDriveZ() + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        return;
    }
    HandleGuard thread(process.hThread);
    HandleGuard reg(process.hProcess);
    WaitForSingleObject(process.hProcess, INFINITE);
}
