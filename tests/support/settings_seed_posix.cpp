#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/posix/registry_format.h"
#include "platform/utf.h"
#include "tests/support/settings_seed.h"

namespace {

// One registry file per test process, so that test programs run in parallel;
// removed at exit, with the lock file the registry's writers leave beside it.
class ProcessRegistryFile {
public:
    ProcessRegistryFile() {
        const char* directory = std::getenv("TMPDIR");
        path_ = std::string(directory != nullptr ? directory : "/tmp") + "/morvane-test-" + std::to_string(getpid()) +
                ".reg";
        setenv("MORVANE_REGISTRY", path_.c_str(), 1);
    }
    ~ProcessRegistryFile() {
        std::remove(path_.c_str());
        std::remove((path_ + ".lock").c_str());
    }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

const std::string& RegistryPath() {
    static const ProcessRegistryFile file;
    return file.path();
}

void WriteRegistry(const std::string& text) {
    FILE* file = std::fopen(RegistryPath().c_str(), "wb");
    if (file != nullptr) {
        std::fputs(text.c_str(), file);
        std::fclose(file);
    }
}

// The registry file as the registry's own parser sees it.
RegistryFile ParsedRegistry() {
    std::ifstream in(RegistryPath(), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    RegistryFile registry;
    ParseRegistryFile(text.str(), &registry);
    return registry;
}

const char kKey[] = "System\\StorageManager\\FATFS\\Filters\\Morvane";

std::string DwordLine(const char* name, DWORD value) {
    char line[64];
    std::snprintf(line, sizeof(line), "\"%s\"=dword:%08x\n", name, static_cast<unsigned>(value));
    return line;
}

}  // namespace

void SeedSettings(std::optional<DWORD> enable, std::optional<DWORD> level) {
    std::string text = "Windows Registry Editor Version 5.00\n\n"
                       "[HKEY_LOCAL_MACHINE\\System\\StorageManager\\FATFS\\Filters\\Morvane]\n";
    if (enable) {
        text += DwordLine("ENABLE", *enable);
    }
    if (level) {
        text += DwordLine("LEVEL", *level);
    }
    WriteRegistry(text);
}

void RemoveSettingsKey() { WriteRegistry("Windows Registry Editor Version 5.00\n\n"); }

bool SettingsKeyExists() { return RegistryKeyExists(ParsedRegistry(), kKey); }

bool ReadSeededValue(const WCHAR* name, DWORD* value) {
    return FindRegistryDword(ParsedRegistry(), kKey, ToUtf8(WString(name)), value);
}

void ImportInstallFile() {
    std::filesystem::copy_file(MORVANE_INSTALL_FILE, RegistryPath(), std::filesystem::copy_options::overwrite_existing);
}
