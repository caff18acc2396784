// The filter hooked over an in-memory volume, with the helpers the filter
// tests share: whole-file reads and writes through the filter, packed images
// placed directly on the lower volume, and a look at the temporary files.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "filter/morvane.h"
#include "filter/records.h"
#include "lower/memory/memory_volume.h"
#include "platform/utf.h"
#include "tests/support/packed_image.h"

// Decodes a packed image with zlib's streaming inflate: the header's length
// must match and the stream must end exactly at the end of the image.
bool DecodePackedImage(const std::vector<BYTE>& image, std::vector<BYTE>* content);

// One way for the lower layer to fail: a countdown fault (countdown 0: none),
// or reads or writes cut short (0: whole).
struct LowerFailure {
    const char* what;
    Fault fault;
    DWORD limitReads;
    DWORD limitWrites;
};

class FilterTest : public ::testing::Test {
protected:
    FilterTest();
    explicit FilterTest(VolumeGeometry geometry);
    ~FilterTest() override;

    HANDLE Open(const WString& name, DWORD access = GENERIC_READ | GENERIC_WRITE, DWORD share = 0,
                DWORD creation = OPEN_ALWAYS);
    // Whole content through an open handle, from its current position.
    std::vector<BYTE> ReadRest(HANDLE file);
    void Write(HANDLE file, const std::vector<BYTE>& content);
    BOOL Close(HANDLE file);
    void Arm(const LowerFailure& failure);
    void Disarm();
    // Open, write whole (replacing the content), close.
    void Store(const WString& name, const std::vector<BYTE>& content);
    // Open for reading, read whole, close; empty optional when the open fails.
    std::optional<std::vector<BYTE>> Load(const WString& name);

    // What the stored file holds once unpacked (or as it is, when plain).
    std::vector<BYTE> StoredContent(const WString& name);
    bool StoredPacked(const WString& name);
    // "\TMP..." files in the volume root.
    std::vector<WString> TemporaryFiles() const;
    FilterHandle* Record(HANDLE file) const { return HandleOf(reinterpret_cast<DWORD_PTR>(file)); }
    DWORD_PTR Word(HANDLE file) const { return reinterpret_cast<DWORD_PTR>(file); }
    // The log's lines, one per lower call.
    std::vector<std::string> LogText() const;

    MemoryVolume lower_;
    DWORD_PTR filter_ = 0;
    HANDLE process_ = reinterpret_cast<HANDLE>(static_cast<DWORD_PTR>(0x1234));
};

inline WString W(const char* text) { return ToUtf16(text); }
inline std::vector<BYTE> Bytes(const char* text) { return std::vector<BYTE>(text, text + std::char_traits<char>::length(text)); }
