#include "tests/settings/scratch_registry_file.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

ScratchRegistryFile::ScratchRegistryFile() {
    std::string pattern = (fs::temp_directory_path() / "morvane-registry-XXXXXX").string();
    if (!mkdtemp(&pattern[0])) {
        ADD_FAILURE() << "no scratch folder for the registry file";
        return;
    }
    folder_ = pattern;
    path_ = folder_ / "registry.reg";
    setenv("MORVANE_REGISTRY", path_.c_str(), 1);
}

ScratchRegistryFile::~ScratchRegistryFile() {
    unsetenv("MORVANE_REGISTRY");
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
}

void ScratchRegistryFile::Write(const std::string& text) const { std::ofstream(path_, std::ios::binary) << text; }

std::string ScratchRegistryFile::Read() const {
    std::ifstream in(path_, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}
