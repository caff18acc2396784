// A memory volume driven through its lower table, as the filter drives it.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "filter/lower_hooks.h"
#include "lower/memory/memory_volume.h"
#include "platform/last_error.h"
#include "platform/utf.h"

class MemoryVolumeTest : public ::testing::Test {
protected:
    explicit MemoryVolumeTest(VolumeGeometry geometry = {});

    HANDLE Open(const WString& name, DWORD access = GENERIC_READ | GENERIC_WRITE, DWORD share = 0,
                DWORD creation = OPEN_ALWAYS, DWORD flags = FILE_ATTRIBUTE_NORMAL);
    // A write of the whole buffer at the current position; the count done through `done`.
    BOOL Write(HANDLE file, const std::vector<BYTE>& content, DWORD* done = nullptr);
    // Up to `count` bytes from the current position; empty when the read fails.
    std::vector<BYTE> Read(HANDLE file, DWORD count);
    BOOL Close(HANDLE file);
    // The names a search with `pattern` lists, or the error it fails with.
    std::vector<std::string> Search(const WString& pattern, DWORD* error = nullptr);

    static DWORD_PTR Word(HANDLE handle) { return reinterpret_cast<DWORD_PTR>(handle); }

    MemoryVolume volume_;
    const LowerHooks& lower_;
    const DWORD_PTR v_;  // the volume word
};

inline WString W(const char* text) { return ToUtf16(text); }
inline std::vector<BYTE> Bytes(const char* text) {
    return std::vector<BYTE>(text, text + std::char_traits<char>::length(text));
}
