#include "tests/filter/filter_fixture.h"

#include <zlib.h>

#include "filter/packed/packed_format.h"
#include "tests/support/settings_seed.h"

bool DecodePackedImage(const std::vector<BYTE>& image, std::vector<BYTE>* content) {
    if (image.size() < kPackedHeaderSize || !IsPackedMagic(image.data(), 2)) {
        return false;
    }
    DWORD stated = DecodeUnpackedLength(image.data() + 2);
    content->assign(stated + 1, 0);
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK) {
        return false;
    }
    stream.next_in = const_cast<BYTE*>(image.data() + kPackedHeaderSize);
    stream.avail_in = static_cast<uInt>(image.size() - kPackedHeaderSize);
    stream.next_out = content->data();
    stream.avail_out = static_cast<uInt>(content->size());
    int result = inflate(&stream, Z_FINISH);
    size_t produced = content->size() - stream.avail_out;
    bool whole = result == Z_STREAM_END && stream.avail_in == 0 && produced == stated;
    inflateEnd(&stream);
    content->resize(produced);
    return whole;
}

FilterTest::FilterTest() : FilterTest(VolumeGeometry{}) {}

FilterTest::FilterTest(VolumeGeometry geometry) : lower_(geometry) {
    SeedSettings(1, 9);
    filter_ = MRV_HookVolume(reinterpret_cast<HANDLE>(static_cast<DWORD_PTR>(0xD15C)), lower_.Hooks());
}

FilterTest::~FilterTest() { MRV_UnhookVolume(filter_); }

void FilterTest::Arm(const LowerFailure& failure) {
    if (failure.fault.countdown != 0) {
        lower_.Inject(failure.fault);
    }
    lower_.LimitReads(failure.limitReads);
    lower_.LimitWrites(failure.limitWrites);
}

void FilterTest::Disarm() {
    lower_.ClearFaults();
    lower_.LimitReads(0);
    lower_.LimitWrites(0);
}

HANDLE FilterTest::Open(const WString& name, DWORD access, DWORD share, DWORD creation) {
    return MRV_CreateFileW(filter_, process_, name.c_str(), access, share, nullptr, creation, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
}

std::vector<BYTE> FilterTest::ReadRest(HANDLE file) {
    std::vector<BYTE> content;
    BYTE chunk[4096];
    DWORD done = 0;
    while (MRV_ReadFile(Word(file), chunk, sizeof(chunk), &done, nullptr) && done > 0) {
        content.insert(content.end(), chunk, chunk + done);
    }
    return content;
}

void FilterTest::Write(HANDLE file, const std::vector<BYTE>& content) {
    DWORD done = 0;
    ASSERT_TRUE(MRV_WriteFile(Word(file), content.data(), static_cast<DWORD>(content.size()), &done, nullptr));
    ASSERT_EQ(done, content.size());
}

BOOL FilterTest::Close(HANDLE file) { return MRV_CloseFile(Word(file)); }

void FilterTest::Store(const WString& name, const std::vector<BYTE>& content) {
    HANDLE file = Open(name, GENERIC_WRITE, 0, CREATE_ALWAYS);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    Write(file, content);
    ASSERT_TRUE(Close(file));
}

std::optional<std::vector<BYTE>> FilterTest::Load(const WString& name) {
    HANDLE file = Open(name, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    if (file == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    std::vector<BYTE> content = ReadRest(file);
    Close(file);
    return content;
}

std::vector<BYTE> FilterTest::StoredContent(const WString& name) {
    std::vector<BYTE> stored = lower_.Content(name).value_or(std::vector<BYTE>{});
    std::vector<BYTE> content;
    if (StoredPacked(name) && DecodePackedImage(stored, &content)) {
        return content;
    }
    return stored;
}

bool FilterTest::StoredPacked(const WString& name) {
    std::vector<BYTE> stored = lower_.Content(name).value_or(std::vector<BYTE>{});
    return stored.size() >= kPackedHeaderSize && IsPackedMagic(stored.data(), 2);
}

std::vector<WString> FilterTest::TemporaryFiles() const {
    std::vector<WString> found;
    for (const WString& name : lower_.Files()) {
        if (name.compare(0, 4, WIDE("\\TMP")) == 0) {
            found.push_back(name);
        }
    }
    return found;
}

std::vector<std::string> FilterTest::LogText() const {
    std::vector<std::string> lines;
    for (const LoggedCall& call : lower_.Log()) {
        lines.push_back(call.Text());
    }
    return lines;
}
