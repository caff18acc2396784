// A registry file of the test's own: a fresh folder, named by MORVANE_REGISTRY
// while the object lives, removed with everything in it afterwards.
#pragma once

#include <filesystem>
#include <string>

class ScratchRegistryFile {
public:
    ScratchRegistryFile();
    ~ScratchRegistryFile();
    ScratchRegistryFile(const ScratchRegistryFile&) = delete;
    ScratchRegistryFile& operator=(const ScratchRegistryFile&) = delete;

    const std::filesystem::path& folder() const { return folder_; }
    const std::filesystem::path& path() const { return path_; }
    void Write(const std::string& text) const;
    // "" when the file is missing.
    std::string Read() const;

private:
    std::filesystem::path folder_;
    std::filesystem::path path_;
};
