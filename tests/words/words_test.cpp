// Records, the lower table and the words they carry, under this build's word
// size. The device's words are 32 bits and the desktop builds' 64: a field
// narrowed to DWORD or a word sign-extended through LONG shows up in one of
// them only, so every word below has its top bits set.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>

#include "filter/morvane.h"
#include "filter/records.h"

namespace {

// Byte layouts of the table and of FilterHandle, for each word width.
struct WordLayout {
    size_t word;
    size_t table;
    size_t lowerHandle;
    size_t process;
    size_t path;
    size_t workName;
    size_t modified;
    size_t handle;
};
constexpr WordLayout kDeviceLayout{4, 124, 8, 12, 16, 526, 1036, 1040};
constexpr WordLayout kDesktopLayout{8, 248, 16, 24, 32, 542, 1052, 1056};
const WordLayout& ThisBuild() { return sizeof(DWORD_PTR) == 4 ? kDeviceLayout : kDesktopLayout; }

constexpr int kWordBits = static_cast<int>(sizeof(DWORD_PTR)) * 8;
// 0xF0000000 | n on the device, 0xF000000000000000 | n on the desktop.
constexpr DWORD_PTR HighWord(DWORD_PTR n) { return (DWORD_PTR{0xF} << (kWordBits - 4)) | n; }

constexpr DWORD_PTR kDisk = HighWord(0xD15C);
constexpr DWORD_PTR kLowerSearch = HighWord(0x5EA);

// What the stub lower entries were handed; reset by each test.
struct Seen {
    DWORD_PTR volume;
    DWORD_PTR search;
    int calls;
};
Seen seen;

DWORD StubGetFileAttributesW(DWORD_PTR volume, const WCHAR*) {
    seen.volume = volume;
    ++seen.calls;
    return FILE_ATTRIBUTE_DIRECTORY;
}

HANDLE StubFindFirstFileW(DWORD_PTR volume, HANDLE, const WCHAR*, WIN32_FIND_DATAW*) {
    seen.volume = volume;
    ++seen.calls;
    return reinterpret_cast<HANDLE>(kLowerSearch);
}

BOOL StubFindNextFileW(DWORD_PTR search, WIN32_FIND_DATAW*) {
    seen.search = search;
    ++seen.calls;
    return FALSE;
}

BOOL StubFindClose(DWORD_PTR search) {
    seen.search = search;
    ++seen.calls;
    return TRUE;
}

class WordsTest : public ::testing::Test {
protected:
    // Every word distinct and high; the four entries the tests call are stubs.
    WordsTest() {
        for (int i = 0; i < kLowerHookWords; ++i) {
            table_[i] = HighWord(static_cast<DWORD_PTR>(i));
        }
        table_[5] = reinterpret_cast<DWORD_PTR>(&StubGetFileAttributesW);
        table_[13] = reinterpret_cast<DWORD_PTR>(&StubFindFirstFileW);
        table_[14] = reinterpret_cast<DWORD_PTR>(&StubFindNextFileW);
        table_[15] = reinterpret_cast<DWORD_PTR>(&StubFindClose);
        seen = Seen{};
    }

    DWORD_PTR table_[kLowerHookWords];
};

TEST_F(WordsTest, RecordsAreLaidOutInThisBuildsWords) {
    const WordLayout& layout = ThisBuild();
    RecordProperty("word_bytes", static_cast<int>(sizeof(DWORD_PTR)));
    EXPECT_EQ(sizeof(DWORD_PTR), layout.word);
    EXPECT_EQ(sizeof(HANDLE), layout.word);
    EXPECT_EQ(sizeof(LowerHooks), layout.table);
    EXPECT_EQ(sizeof(table_), layout.table);

    EXPECT_EQ(offsetof(LowerHooks, lowerVolume), 1 * layout.word);
    EXPECT_EQ(offsetof(LowerHooks, CreateDirectoryW), 3 * layout.word);
    EXPECT_EQ(offsetof(LowerHooks, CloseFile), 29 * layout.word);
    EXPECT_EQ(offsetof(LowerHooks, word30), 30 * layout.word);

    EXPECT_EQ(offsetof(FilterVolume, disk), 0u);
    EXPECT_EQ(offsetof(FilterVolume, hooks), layout.word);

    EXPECT_EQ(offsetof(FilterHandle, disk), 0u);
    EXPECT_EQ(offsetof(FilterHandle, hooks), layout.word);
    EXPECT_EQ(offsetof(FilterHandle, lowerHandle), layout.lowerHandle);
    EXPECT_EQ(offsetof(FilterHandle, process), layout.process);
    EXPECT_EQ(offsetof(FilterHandle, path), layout.path);
    EXPECT_EQ(offsetof(FilterHandle, workName), layout.workName);
    EXPECT_EQ(offsetof(FilterHandle, modified), layout.modified);
    EXPECT_EQ(sizeof(FilterHandle), layout.handle);
}

TEST_F(WordsTest, HookedTableRoundTripsWordForWord) {
    DWORD_PTR hooked = MRV_HookVolume(reinterpret_cast<HANDLE>(kDisk), table_);
    ASSERT_NE(hooked, 0u);
    const FilterVolume* volume = VolumeOf(hooked);
    EXPECT_EQ(volume->disk, kDisk);

    DWORD_PTR copied[kLowerHookWords];
    std::memcpy(copied, &volume->hooks, sizeof(copied));
    for (int i = 0; i < kLowerHookWords; ++i) {
        EXPECT_EQ(copied[i], table_[i]) << "word " << i;
    }
    EXPECT_EQ(MRV_UnhookVolume(hooked), TRUE);
}

// Alignment is what the word size changes besides the widths: the 32-bit heap
// hands out blocks on a smaller boundary than the 64-bit one.
TEST_F(WordsTest, HookedVolumesAreAlignedForTheirRecord) {
    constexpr int kVolumes = 16;
    DWORD_PTR hooked[kVolumes];
    for (DWORD_PTR& word : hooked) {
        word = MRV_HookVolume(reinterpret_cast<HANDLE>(kDisk), table_);
        ASSERT_NE(word, 0u);
        EXPECT_EQ(word % alignof(FilterVolume), 0u);
    }
    for (DWORD_PTR word : hooked) {
        EXPECT_EQ(MRV_UnhookVolume(word), TRUE);
    }
}

TEST_F(WordsTest, TheLowerVolumeWordReachesTheLowerUnchanged) {
    DWORD_PTR hooked = MRV_HookVolume(reinterpret_cast<HANDLE>(kDisk), table_);
    ASSERT_NE(hooked, 0u);
    EXPECT_EQ(MRV_GetFileAttributesW(hooked, WIDE("\\")), FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(seen.calls, 1);
    EXPECT_EQ(seen.volume, HighWord(1));
    EXPECT_EQ(MRV_UnhookVolume(hooked), TRUE);
}

TEST_F(WordsTest, SearchHandleWordsPassBothWaysUnchanged) {
    DWORD_PTR hooked = MRV_HookVolume(reinterpret_cast<HANDLE>(kDisk), table_);
    ASSERT_NE(hooked, 0u);
    WIN32_FIND_DATAW data{};
    HANDLE search = MRV_FindFirstFileW(hooked, reinterpret_cast<HANDLE>(HighWord(0x99)), WIDE("\\*"), &data);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    EXPECT_EQ(seen.volume, HighWord(1));

    const FilterHandle* handle = HandleOf(reinterpret_cast<DWORD_PTR>(search));
    EXPECT_EQ(handle->disk, kDisk);
    EXPECT_EQ(handle->lowerHandle, kLowerSearch);

    EXPECT_EQ(MRV_FindNextFileW(reinterpret_cast<DWORD_PTR>(search), &data), FALSE);
    EXPECT_EQ(seen.search, kLowerSearch);
    seen.search = 0;
    EXPECT_EQ(MRV_FindClose(reinterpret_cast<DWORD_PTR>(search)), TRUE);
    EXPECT_EQ(seen.search, kLowerSearch);
    EXPECT_EQ(seen.calls, 3);
    EXPECT_EQ(MRV_UnhookVolume(hooked), TRUE);
}

}  // namespace
