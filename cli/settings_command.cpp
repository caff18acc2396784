// morvane settings [--enable 0|1] [--level 1-9]: shows the filter's two
// settings, or sets them in the filter's registry key (the registry file on
// Linux, the registry on Win32). Only what the settings dialog can store is
// accepted. The key is never created: installing the filter creates it.
#include <iostream>
#include <optional>

#include "cli/command_support.h"
#include "cli/subcommands.h"
#include "platform/registry.h"
#include "platform/utf.h"
#include "settings/settings_store.h"

namespace {

struct StoredSetting {
    bool present = false;
    DWORD value = 0;
};

StoredSetting QuerySetting(HKEY key, const WCHAR* name) {
    StoredSetting setting;
    DWORD type = REG_DWORD;
    DWORD size = sizeof(setting.value);
    setting.present = RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&setting.value), &size) ==
                          ERROR_SUCCESS &&
                      type == REG_DWORD && size == sizeof(setting.value);
    return setting;
}

std::string Shown(const StoredSetting& setting) {
    return setting.present ? std::to_string(static_cast<LONG>(setting.value)) : "(missing)";
}

int ShowOrSet(std::optional<int> enable, std::optional<int> level) {
    const std::string keyName = "HKEY_LOCAL_MACHINE\\" + ToUtf8(WString(kFilterSettingsKey));
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kFilterSettingsKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
        ReportFailure(keyName, "missing: install the filter's key (install/morvane.reg) first");
        return 1;
    }
    const StoredSetting storedEnable = QuerySetting(key, WIDE("ENABLE"));
    const StoredSetting storedLevel = QuerySetting(key, WIDE("LEVEL"));
    RegCloseKey(key);

    if (!enable && !level) {
        std::cout << keyName << "\nENABLE " << Shown(storedEnable) << "\nLEVEL  " << Shown(storedLevel) << "\n";
        return 0;
    }
    // The one not given keeps its stored value, or what the filter assumes for a missing one.
    const FilterSettings current = ReadSettingsForFilter();
    WriteSettings(enable ? static_cast<DWORD>(*enable) : current.enable,
                  level ? static_cast<LONG>(*level) : current.level);
    const FilterSettings written = ReadSettingsForFilter();
    if ((enable && written.enable != static_cast<DWORD>(*enable)) || (level && written.level != *level)) {
        ReportFailure(keyName, "the settings could not be stored");
        return 1;
    }
    return 0;
}

}  // namespace

void AddSettingsCommand(CLI::App& app, int* status) {
    struct Options {
        std::optional<int> enable;
        std::optional<int> level;
    };
    auto options = std::make_shared<Options>();
    auto* command = app.add_subcommand("settings", "Show the filter's settings, or set ENABLE and LEVEL.");
    command->add_option("--enable", options->enable, "compression on (1) or off (0)")->check(CLI::IsMember({0, 1}));
    command->add_option("--level", options->level, "compression level, 1 (fastest) to 9 (smallest)")
        ->check(CLI::Range(1, 9));
    command->callback([options, status] { *status = ShowOrSet(options->enable, options->level); });
}
