// A host directory volume over a fresh temporary directory, with a sentinel
// directory beside its root that no call through the volume may touch.
//
//   BASE/root      the volume root
//   BASE/sentinel  outside the volume: secret.txt and a subdirectory
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "filter/lower_hooks.h"
#include "lower/hostdir/host_directory_volume.h"
#include "platform/utf.h"

namespace fs = std::filesystem;

inline WString W(const char* text) { return ToUtf16(text); }

// The content every sentinel file holds; no read through the volume may see it.
extern const char kSecret[];

class HostDirTest : public ::testing::Test {
protected:
    HostDirTest();
    ~HostDirTest() override;

    const LowerHooks& lower() const { return *reinterpret_cast<const LowerHooks*>(volume_->Hooks()); }
    DWORD_PTR V() const { return lower().lowerVolume; }

    // Through the volume.
    HANDLE Open(const WString& name, DWORD access = GENERIC_READ | GENERIC_WRITE, DWORD share = 0,
                DWORD creation = OPEN_ALWAYS);
    BOOL Close(HANDLE file);
    void Write(HANDLE file, const std::string& content);
    std::string ReadRest(HANDLE file);
    // Whole files through the volume; Load gives "<refused>" when the open fails.
    void Store(const WString& name, const std::string& content);
    std::string Load(const WString& name);

    // On the host, relative to BASE.
    fs::path Host(const std::string& relative) const { return base_ / fs::u8path(relative); }
    void WriteHost(const std::string& relative, const std::string& content) const;
    std::string ReadHost(const std::string& relative) const;
    // Every path below BASE outside the root, with the content of its files.
    std::map<std::string, std::string> OutsideSnapshot() const;

    fs::path base_;
    fs::path root_;
    std::unique_ptr<HostDirectoryVolume> volume_;
    std::map<std::string, std::string> outsideAtStart_;
    HANDLE process_ = reinterpret_cast<HANDLE>(static_cast<DWORD_PTR>(0x1234));
};

DWORD_PTR Word(HANDLE handle);
