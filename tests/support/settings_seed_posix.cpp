#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/support/settings_seed.h"

namespace {

// One registry file per test process, so that test programs run in parallel.
const std::string& RegistryFile() {
    static const std::string path = [] {
        const char* directory = std::getenv("TMPDIR");
        std::string file = std::string(directory != nullptr ? directory : "/tmp") + "/morvane-test-" +
                           std::to_string(getpid()) + ".reg";
        setenv("MORVANE_REGISTRY", file.c_str(), 1);
        std::atexit([] { std::remove(RegistryFile().c_str()); });
        return file;
    }();
    return path;
}

void WriteRegistry(const std::string& text) {
    FILE* file = std::fopen(RegistryFile().c_str(), "wb");
    if (file != nullptr) {
        std::fputs(text.c_str(), file);
        std::fclose(file);
    }
}

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
