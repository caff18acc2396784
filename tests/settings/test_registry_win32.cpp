// The real registry under Wine: the test creates and deletes the filter's key
// with advapi32's own calls, and installs it with "reg import".
#include <gtest/gtest.h>

#include <string>

#include "settings/settings_store.h"
#include "tests/settings/test_registry.h"

struct TestRegistry::Backend {};

namespace {

void DeleteFilterKey() { RegDeleteKeyW(HKEY_LOCAL_MACHINE, kFilterSettingsKey); }

// The build's path of install/morvane.reg, as Wine's drive Z: shows the host's root.
std::wstring InstallFileOnDriveZ() {
    std::wstring path = L"Z:";
    for (const char* c = MORVANE_INSTALL_FILE; *c; ++c) {
        path.push_back(*c == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(*c)));
    }
    return path;
}

}  // namespace

TestRegistry::TestRegistry() { DeleteFilterKey(); }

TestRegistry::~TestRegistry() { DeleteFilterKey(); }

void TestRegistry::CreateFilterKey() {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kFilterSettingsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

void TestRegistry::SetValue(const WCHAR* name, DWORD value) {
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kFilterSettingsKey, 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value)),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

bool TestRegistry::GetValue(const WCHAR* name, DWORD* value) {
    DWORD size = sizeof(*value);
    return RegGetValueW(HKEY_LOCAL_MACHINE, kFilterSettingsKey, name, RRF_RT_REG_DWORD, nullptr, value, &size) ==
           ERROR_SUCCESS;
}

bool TestRegistry::FilterKeyExists() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kFilterSettingsKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

void TestRegistry::ImportInstallFile() {
    std::wstring command = L"reg.exe import \"" + InstallFileOnDriveZ() + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD exitCode = 1;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    EXPECT_EQ(exitCode, 0u) << "reg import of the install file";
}
