// Attaching, the pass-through calls, the modified flag, the capacity factor
// and searches.
#include <cstring>
#include <algorithm>
#include <functional>

#include "tests/filter/filter_fixture.h"
#include "tests/support/settings_seed.h"

namespace {

using PassThroughTest = FilterTest;

TEST_F(PassThroughTest, HookVolumeCopiesTheTableAndUnhookReturnsTrue) {
    DWORD_PTR table[kLowerHookWords];
    std::memcpy(table, lower_.Hooks(), sizeof(table));
    table[0] = 0x1111;
    table[30] = 0x3030;
    DWORD_PTR hooked = MRV_HookVolume(reinterpret_cast<HANDLE>(static_cast<DWORD_PTR>(0x77)), table);
    ASSERT_NE(hooked, 0u);
    std::memset(table, 0, sizeof(table));  // the caller's table is not referred to afterwards
    FilterVolume* volume = VolumeOf(hooked);
    EXPECT_EQ(volume->disk, 0x77u);
    EXPECT_EQ(volume->hooks.word0, 0x1111u);
    EXPECT_EQ(volume->hooks.word30, 0x3030u);
    EXPECT_EQ(volume->hooks.lowerVolume, lower_.VolumeWord());
    EXPECT_NE(MRV_GetFileAttributesW(hooked, WIDE("\\")), 0u);
    EXPECT_EQ(MRV_UnhookVolume(hooked), TRUE);
}

// Each of the 25 pass-through entries on an open handle or the volume, with
// whether it marks the handle modified.
struct Operation {
    const char* name;
    bool marks;
    std::function<void(HANDLE)> call;
};

TEST_F(PassThroughTest, OnlyTheFiveWriteTypeCallsMarkTheHandleModified) {
    lower_.PutFile(W("\\f.txt"), Bytes("0123456789"));
    lower_.PutDirectory(W("\\dir"));
    BYTE buffer[16] = {};
    DWORD done = 0;
    FILETIME time{1, 2};
    BY_HANDLE_FILE_INFORMATION info{};
    WIN32_FIND_DATAW data{};
    const Operation operations[] = {
        {"CreateDirectoryW", false, [&](HANDLE) { MRV_CreateDirectoryW(filter_, WIDE("\\d2"), nullptr); }},
        {"RemoveDirectoryW", false, [&](HANDLE) { MRV_RemoveDirectoryW(filter_, WIDE("\\dir")); }},
        {"GetFileAttributesW", false, [&](HANDLE) { MRV_GetFileAttributesW(filter_, WIDE("\\f.txt")); }},
        {"SetFileAttributesW", false, [&](HANDLE) { MRV_SetFileAttributesW(filter_, WIDE("\\f.txt"), FILE_ATTRIBUTE_ARCHIVE); }},
        {"DeleteFileW", false, [&](HANDLE) { MRV_DeleteFileW(filter_, WIDE("\\f.txt")); }},
        {"MoveFileW", false, [&](HANDLE) { MRV_MoveFileW(filter_, WIDE("\\f.txt"), WIDE("\\g.txt")); }},
        {"DeleteAndRenameFileW", false, [&](HANDLE) { MRV_DeleteAndRenameFileW(filter_, WIDE("\\g.txt"), WIDE("\\f.txt")); }},
        {"GetDiskFreeSpaceW", false, [&](HANDLE) { DWORD a, b, c, d; MRV_GetDiskFreeSpaceW(filter_, WIDE("\\"), &a, &b, &c, &d); }},
        {"Notify", false, [&](HANDLE) { MRV_Notify(filter_, 0); }},
        {"RegisterFileSystemFunction", false, [&](HANDLE) { MRV_RegisterFileSystemFunction(filter_, nullptr); }},
        {"FindFirstFileW, FindNextFileW, FindClose", false, [&](HANDLE) {
             HANDLE search = MRV_FindFirstFileW(filter_, process_, WIDE("\\*"), &data);
             if (search != INVALID_HANDLE_VALUE) { MRV_FindNextFileW(Word(search), &data); MRV_FindClose(Word(search)); } }},
        {"ReadFile", false, [&](HANDLE f) { MRV_ReadFile(Word(f), buffer, 4, &done, nullptr); }},
        {"ReadFileWithSeek", false, [&](HANDLE f) { MRV_ReadFileWithSeek(Word(f), buffer, 4, &done, nullptr, 2, 0); }},
        {"WriteFile", true, [&](HANDLE f) { MRV_WriteFile(Word(f), "ab", 2, &done, nullptr); }},
        {"WriteFile of 0 bytes", true, [&](HANDLE f) { MRV_WriteFile(Word(f), "", 0, &done, nullptr); }},
        {"WriteFileWithSeek", true, [&](HANDLE f) { MRV_WriteFileWithSeek(Word(f), "ab", 2, &done, nullptr, 3, 0); }},
        {"SetFilePointer", false, [&](HANDLE f) { MRV_SetFilePointer(Word(f), 3, nullptr, FILE_BEGIN); }},
        {"GetFileSize", false, [&](HANDLE f) { DWORD high; MRV_GetFileSize(Word(f), &high); }},
        {"GetFileInformationByHandle", false, [&](HANDLE f) { MRV_GetFileInformationByHandle(Word(f), &info); }},
        {"FlushFileBuffers", true, [&](HANDLE f) { MRV_FlushFileBuffers(Word(f)); }},
        {"GetFileTime", false, [&](HANDLE f) { MRV_GetFileTime(Word(f), &time, &time, &time); }},
        {"SetFileTime", false, [&](HANDLE f) { MRV_SetFileTime(Word(f), &time, &time, &time); }},
        {"SetEndOfFile", true, [&](HANDLE f) { MRV_SetEndOfFile(Word(f)); }},
        {"DeviceIoControl", true, [&](HANDLE f) { MRV_DeviceIoControl(Word(f), 0x1234, nullptr, 0, nullptr, 0, &done, nullptr); }},
    };
    for (const Operation& operation : operations) {
        SCOPED_TRACE(operation.name);
        lower_.PutFile(W("\\h.txt"), Bytes("0123456789"));
        HANDLE file = Open(W("\\h.txt"), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, OPEN_EXISTING);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        EXPECT_EQ(Record(file)->modified, 0u);
        operation.call(file);
        EXPECT_EQ(Record(file)->modified, operation.marks ? 1u : 0u);
        SeedSettings(0, 9);  // nothing to pack: only the flag is under test
        Close(file);
        SeedSettings(1, 9);
    }
}

TEST_F(PassThroughTest, AFailedWriteStillMarksTheHandle) {
    lower_.PutFile(W("\\r.txt"), Bytes("data"));
    HANDLE file = Open(W("\\r.txt"), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD done = 0;
    EXPECT_FALSE(MRV_WriteFile(Word(file), "x", 1, &done, nullptr));  // opened for reading only
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(Record(file)->modified, 1u);
    SeedSettings(0, 9);
    Close(file);
}

TEST_F(PassThroughTest, LowerWordsTakeThePlaceOfTheFiltersRecords) {
    lower_.PutFile(W("\\f.txt"), Bytes("0123456789"));
    HANDLE file = Open(W("\\f.txt"), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD_PTR lowerHandle = Record(file)->lowerHandle;
    lower_.EnableLog(true);
    BYTE buffer[4];
    DWORD done = 0;
    ASSERT_TRUE(MRV_ReadFileWithSeek(Word(file), buffer, 4, &done, nullptr, 5, 0));
    EXPECT_EQ(done, 4u);
    EXPECT_EQ(std::memcmp(buffer, "5678", 4), 0);
    EXPECT_EQ(MRV_SetFilePointer(Word(file), -2, nullptr, FILE_END), 8u);
    EXPECT_EQ(MRV_GetFileAttributesW(filter_, WIDE("\\f.txt")), lower_.Attributes(W("\\f.txt")));
    std::vector<LoggedCall> log = lower_.Log();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0].entry, LowerEntry::ReadFileWithSeek);
    EXPECT_EQ(log[0].first, lowerHandle);
    EXPECT_EQ(log[1].entry, LowerEntry::SetFilePointer);
    EXPECT_EQ(log[1].first, lowerHandle);
    EXPECT_EQ(log[2].first, lower_.VolumeWord());
    if (sizeof(DWORD_PTR) > 4) {
        EXPECT_GT(static_cast<ULONGLONG>(lowerHandle), 0xFFFFFFFFull);  // words above 2^32 pass unchanged
    }
    Close(file);
}

TEST_F(PassThroughTest, ErrorsComeBackAsTheLowerLayerLeftThem) {
    SetLastError(0);
    EXPECT_EQ(MRV_GetFileAttributesW(filter_, WIDE("\\missing")), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    lower_.PutDirectory(W("\\d"));
    lower_.PutFile(W("\\d\\x"), Bytes("x"));
    EXPECT_FALSE(MRV_RemoveDirectoryW(filter_, WIDE("\\d")));
    EXPECT_EQ(GetLastError(), ERROR_DIR_NOT_EMPTY);
}

class CapacityTest : public FilterTest {
protected:
    CapacityTest() : FilterTest(VolumeGeometry{1, 512, 1000}) {}
};

TEST_F(CapacityTest, ReportsThreeTimesTheTotalAndKeepsTheUsedSpace) {
    lower_.PutFile(W("\\used"), std::vector<BYTE>(600 * 512, 0x5A));  // 600 of 1000 clusters
    DWORD sectors = 0, bytes = 0, freeClusters = 0, total = 0;
    ASSERT_TRUE(MRV_GetDiskFreeSpaceW(filter_, WIDE("\\"), &sectors, &bytes, &freeClusters, &total));
    EXPECT_EQ(sectors, 1u);
    EXPECT_EQ(bytes, 512u);
    EXPECT_EQ(total, 3000u);
    EXPECT_EQ(freeClusters, 2400u);
    EXPECT_EQ(total - freeClusters, 600u);
}

TEST_F(CapacityTest, AFullVolumeShowsTwiceItsTotalFree) {
    lower_.PutFile(W("\\used"), std::vector<BYTE>(1000 * 512, 1));
    DWORD sectors, bytes, freeClusters = 7, total = 7;
    ASSERT_TRUE(MRV_GetDiskFreeSpaceW(filter_, WIDE("\\"), &sectors, &bytes, &freeClusters, &total));
    EXPECT_EQ(freeClusters, 2000u);
    EXPECT_EQ(total, 3000u);
}

TEST_F(CapacityTest, AFailedLowerCallIsReturnedAndTheCountsRescaledAllTheSame) {
    Fault fault;
    fault.entries = {LowerEntry::GetDiskFreeSpaceW};
    fault.error = ERROR_NOT_READY;
    lower_.Inject(fault);
    DWORD sectors = 0, bytes = 0, freeClusters = 10, total = 100;
    EXPECT_FALSE(MRV_GetDiskFreeSpaceW(filter_, WIDE("\\"), &sectors, &bytes, &freeClusters, &total));
    EXPECT_EQ(GetLastError(), ERROR_NOT_READY);
    EXPECT_EQ(total, 300u);
    EXPECT_EQ(freeClusters, 210u);
}

TEST_F(CapacityTest, NullCountPointersAreNeitherReadNorWritten) {
    lower_.PutFile(W("\\used"), std::vector<BYTE>(600 * 512, 1));
    DWORD sectors = 0, bytes = 0, freeClusters = 0, total = 0;
    EXPECT_TRUE(MRV_GetDiskFreeSpaceW(filter_, WIDE("\\"), &sectors, &bytes, nullptr, &total));
    EXPECT_EQ(total, 3000u);
    EXPECT_TRUE(MRV_GetDiskFreeSpaceW(filter_, WIDE("\\"), &sectors, &bytes, &freeClusters, nullptr));
    EXPECT_EQ(freeClusters, 2400u);  // still from the real total
    EXPECT_TRUE(MRV_GetDiskFreeSpaceW(filter_, WIDE("\\"), nullptr, nullptr, nullptr, nullptr));
}

class HugeVolumeTest : public FilterTest {
protected:
    // More than a third of 2^32 clusters: three times the total does not fit.
    HugeVolumeTest() : FilterTest(VolumeGeometry{1, 512, 0x60000000u}) {}
};

TEST_F(HugeVolumeTest, CountsSaturateAndFreeNeverExceedsTotal) {
    DWORD sectors, bytes, freeClusters = 0, total = 0;
    ASSERT_TRUE(MRV_GetDiskFreeSpaceW(filter_, WIDE("\\"), &sectors, &bytes, &freeClusters, &total));
    EXPECT_EQ(total, 0xFFFFFFFFu);
    EXPECT_EQ(freeClusters, 0xFFFFFFFFu);
}

TEST_F(PassThroughTest, ARefusedSearchGivesInvalidHandleAndNoRecord) {
    WIN32_FIND_DATAW data{};
    EXPECT_EQ(MRV_FindFirstFileW(filter_, process_, WIDE("\\nothing*"), &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(lower_.OpenHandles(), 0u);
}

TEST_F(PassThroughTest, ASearchListsStoredSizesAndEndsInFindClose) {
    std::vector<BYTE> content(10000, 'a');
    lower_.PutFile(W("\\packed.txt"), PackedImage(content));
    lower_.PutFile(W("\\plain.txt"), Bytes("plain"));
    WIN32_FIND_DATAW data{};
    HANDLE search = MRV_FindFirstFileW(filter_, process_, WIDE("\\*.txt"), &data);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    EXPECT_EQ(Record(search)->disk, 0xD15Cu);
    std::vector<DWORD> sizes = {data.nFileSizeLow};
    while (MRV_FindNextFileW(Word(search), &data)) {
        sizes.push_back(data.nFileSizeLow);
    }
    EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
    EXPECT_TRUE(MRV_FindClose(Word(search)));
    std::sort(sizes.begin(), sizes.end());
    EXPECT_EQ(sizes, (std::vector<DWORD>{5, static_cast<DWORD>(PackedImage(content).size())}));
    EXPECT_EQ(lower_.OpenHandles(), 0u);
}

TEST_F(PassThroughTest, FindCloseReleasesTheRecordWhenTheLowerCloseFails) {
    lower_.PutFile(W("\\a"), Bytes("a"));
    WIN32_FIND_DATAW data{};
    HANDLE search = MRV_FindFirstFileW(filter_, process_, WIDE("\\*"), &data);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    Fault fault;
    fault.entries = {LowerEntry::FindClose};
    fault.error = ERROR_INVALID_HANDLE;
    lower_.Inject(fault);
    EXPECT_FALSE(MRV_FindClose(Word(search)));  // the record is gone: the leak checker would see it
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

}  // namespace
