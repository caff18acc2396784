#include "tests/memory/memory_fixture.h"

MemoryVolumeTest::MemoryVolumeTest(VolumeGeometry geometry)
    : volume_(geometry), lower_(*reinterpret_cast<const LowerHooks*>(volume_.Hooks())), v_(volume_.VolumeWord()) {}

HANDLE MemoryVolumeTest::Open(const WString& name, DWORD access, DWORD share, DWORD creation, DWORD flags) {
    return lower_.CreateFileW(v_, nullptr, name.c_str(), access, share, nullptr, creation, flags, nullptr);
}

BOOL MemoryVolumeTest::Write(HANDLE file, const std::vector<BYTE>& content, DWORD* done) {
    DWORD written = 0;
    BOOL result = lower_.WriteFile(Word(file), content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    if (done) {
        *done = written;
    }
    return result;
}

std::vector<BYTE> MemoryVolumeTest::Read(HANDLE file, DWORD count) {
    std::vector<BYTE> content(count);
    DWORD done = 0;
    if (!lower_.ReadFile(Word(file), content.data(), count, &done, nullptr)) {
        return {};
    }
    content.resize(done);
    return content;
}

BOOL MemoryVolumeTest::Close(HANDLE file) { return lower_.CloseFile(Word(file)); }

std::vector<std::string> MemoryVolumeTest::Search(const WString& pattern, DWORD* error) {
    std::vector<std::string> names;
    WIN32_FIND_DATAW data{};
    HANDLE search = lower_.FindFirstFileW(v_, nullptr, pattern.c_str(), &data);
    if (search == INVALID_HANDLE_VALUE) {
        if (error) {
            *error = GetLastError();
        }
        return names;
    }
    do {
        names.push_back(ToUtf8(WString(data.cFileName)));
    } while (lower_.FindNextFileW(Word(search), &data));
    if (error) {
        *error = GetLastError();
    }
    lower_.FindClose(Word(search));
    return names;
}
