// The Linux registry is a scratch registry file whose text the test writes
// itself; what the store wrote is read back with the file's parser.
#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "platform/posix/registry_format.h"
#include "platform/utf.h"
#include "settings/settings_store.h"
#include "tests/settings/scratch_registry_file.h"
#include "tests/settings/test_registry.h"

struct TestRegistry::Backend {
    ScratchRegistryFile file;
    bool keyExists = false;
    std::vector<std::pair<std::string, DWORD>> values;

    void Write() const {
        std::string text = "Windows Registry Editor Version 5.00\n";
        if (keyExists) {
            text += "\n[HKEY_LOCAL_MACHINE\\" + ToUtf8(kFilterSettingsKey) + "]\n";
            for (const auto& value : values) {
                char data[9];
                snprintf(data, sizeof(data), "%08x", static_cast<unsigned>(value.second));
                text += "\"" + value.first + "\"=dword:" + data + "\n";
            }
        }
        file.Write(text);
    }
    RegistryFile Parsed() const {
        RegistryFile registry;
        ParseRegistryFile(file.Read(), &registry);
        return registry;
    }
};

TestRegistry::TestRegistry() : backend_(new Backend) { backend_->Write(); }

TestRegistry::~TestRegistry() = default;

void TestRegistry::CreateFilterKey() {
    backend_->keyExists = true;
    backend_->Write();
}

void TestRegistry::SetValue(const WCHAR* name, DWORD value) {
    ASSERT_TRUE(backend_->keyExists);
    std::string utf8 = ToUtf8(WString(name));
    auto same = [&](const std::pair<std::string, DWORD>& stored) { return stored.first == utf8; };
    auto found = std::find_if(backend_->values.begin(), backend_->values.end(), same);
    if (found != backend_->values.end()) {
        found->second = value;
    } else {
        backend_->values.emplace_back(utf8, value);
    }
    backend_->Write();
}

bool TestRegistry::GetValue(const WCHAR* name, DWORD* value) {
    return FindRegistryDword(backend_->Parsed(), ToUtf8(kFilterSettingsKey), ToUtf8(WString(name)), value);
}

bool TestRegistry::FilterKeyExists() { return RegistryKeyExists(backend_->Parsed(), ToUtf8(kFilterSettingsKey)); }

void TestRegistry::ImportInstallFile() {
    std::filesystem::copy_file(MORVANE_INSTALL_FILE, backend_->file.path(),
                               std::filesystem::copy_options::overwrite_existing);
}
