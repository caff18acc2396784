// Content through open handles: transfers, seeks, sizes, capacity and times.
#include <cstring>

#include "tests/memory/memory_fixture.h"

namespace {

using ContentTest = MemoryVolumeTest;

ULONGLONG Ticks(const FILETIME& time) { return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime; }

TEST_F(ContentTest, TransfersAdvanceThePositionAndSeekingOnesUseTheirOffset) {
    HANDLE file = Open(W("\\f"));
    ASSERT_TRUE(Write(file, Bytes("0123456789")));
    EXPECT_EQ(lower_.SetFilePointer(Word(file), 2, nullptr, FILE_BEGIN), 2u);
    EXPECT_EQ(Read(file, 3), Bytes("234"));
    EXPECT_EQ(Read(file, 3), Bytes("567"));

    BYTE buffer[8] = {};
    DWORD done = 0;
    ASSERT_TRUE(lower_.ReadFileWithSeek(Word(file), buffer, 4, &done, nullptr, 7, 0));
    EXPECT_EQ(done, 3u);  // up to the end
    EXPECT_EQ(std::memcmp(buffer, "789", 3), 0);
    ASSERT_TRUE(lower_.ReadFileWithSeek(Word(file), buffer, 4, &done, nullptr, 50, 0));
    EXPECT_EQ(done, 0u);  // beyond the end: nothing, and no failure

    ASSERT_TRUE(lower_.WriteFileWithSeek(Word(file), "AB", 2, &done, nullptr, 12, 0));
    EXPECT_EQ(done, 2u);
    EXPECT_EQ(volume_.Content(W("\\f")), (std::vector<BYTE>{'0', '1', '2', '3', '4', '5', '6', '7', '8', '9', 0, 0, 'A', 'B'}));
    EXPECT_EQ(lower_.SetFilePointer(Word(file), 0, nullptr, FILE_CURRENT), 14u);  // just past the seeking write

    EXPECT_FALSE(lower_.ReadFileWithSeek(Word(file), buffer, 1, &done, nullptr, 0, 1));  // beyond 4 GiB
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(lower_.WriteFileWithSeek(Word(file), "x", 1, &done, nullptr, 0, 1));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    ASSERT_TRUE(Close(file));
}

TEST_F(ContentTest, ReadsNeedReadAccessAndWritesWriteAccess) {
    volume_.PutFile(W("\\f"), Bytes("data"));
    HANDLE reader = Open(W("\\f"), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
    HANDLE writer = Open(W("\\f"), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
    BYTE buffer[4];
    DWORD done = 7;
    FILETIME time{1, 1};
    EXPECT_FALSE(lower_.ReadFile(Word(writer), buffer, 4, &done, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(done, 0u);
    EXPECT_FALSE(lower_.WriteFile(Word(reader), "x", 1, &done, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_FALSE(lower_.SetEndOfFile(Word(reader)));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_FALSE(lower_.SetFileTime(Word(reader), &time, &time, &time));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(lower_.FlushFileBuffers(Word(reader)));
    EXPECT_FALSE(lower_.DeviceIoControl(Word(writer), 0x1234, nullptr, 0, nullptr, 0, &done, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_FUNCTION);
    EXPECT_EQ(volume_.Content(W("\\f")), Bytes("data"));
    Close(reader);
    Close(writer);
}

TEST_F(ContentTest, SeeksByTheThreeMethodsWithAndWithoutAHighPart) {
    volume_.PutFile(W("\\f"), Bytes("0123456789"));
    HANDLE file = Open(W("\\f"), GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING);
    struct Case {
        LONG distance;
        bool withHigh;
        LONG high;
        DWORD method;
        DWORD result;   // the low part returned
        LONG highOut;   // stored through the high pointer
        DWORD error;    // 0: success
        ULONGLONG position;  // afterwards
    } cases[] = {
        {3, false, 0, FILE_BEGIN, 3, 0, 0, 3},
        {-2, false, 0, FILE_CURRENT, 1, 0, 0, 1},
        {-2, false, 0, FILE_END, 8, 0, 0, 8},
        {5, false, 0, FILE_END, 15, 0, 0, 15},  // beyond the end is a position like any
        {-16, false, 0, FILE_CURRENT, INVALID_SET_FILE_POINTER, 0, ERROR_NEGATIVE_SEEK, 15},
        {0, false, 0, 3, INVALID_SET_FILE_POINTER, 0, ERROR_INVALID_PARAMETER, 15},
        {-2, true, -1, FILE_END, 8, 0, 0, 8},   // a 64-bit -2
        {0, true, 1, FILE_BEGIN, 0, 1, 0, 0x100000000ull},
        {-1, true, 0, FILE_BEGIN, 0xFFFFFFFFu, 0, 0, 0xFFFFFFFFull},  // the low part alone reads as the failure value
        {0x7FFFFFFF, false, 0, FILE_CURRENT, INVALID_SET_FILE_POINTER, 0, ERROR_INVALID_PARAMETER, 0xFFFFFFFFull},
        {-11, true, -1, FILE_END, INVALID_SET_FILE_POINTER, -1, ERROR_NEGATIVE_SEEK, 0xFFFFFFFFull},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.distance << "/" << c.high << " by " << c.method);
        LONG high = c.high;
        SetLastError(0);
        EXPECT_EQ(lower_.SetFilePointer(Word(file), c.distance, c.withHigh ? &high : nullptr, c.method), c.result);
        EXPECT_EQ(GetLastError(), c.error);
        if (c.withHigh) {
            EXPECT_EQ(high, c.highOut);
        }
        LONG positionHigh = 0;
        DWORD positionLow = lower_.SetFilePointer(Word(file), 0, &positionHigh, FILE_CURRENT);
        EXPECT_EQ((static_cast<ULONGLONG>(static_cast<DWORD>(positionHigh)) << 32) | positionLow, c.position);
    }
    Close(file);
}

TEST_F(ContentTest, SizesAndTheEndOfFile) {
    HANDLE file = Open(W("\\f"));
    ASSERT_TRUE(Write(file, Bytes("0123456789")));
    DWORD high = 7;
    EXPECT_EQ(lower_.GetFileSize(Word(file), &high), 10u);
    EXPECT_EQ(high, 0u);
    lower_.SetFilePointer(Word(file), 4, nullptr, FILE_BEGIN);
    ASSERT_TRUE(lower_.SetEndOfFile(Word(file)));
    EXPECT_EQ(lower_.GetFileSize(Word(file), nullptr), 4u);
    lower_.SetFilePointer(Word(file), 6, nullptr, FILE_BEGIN);
    ASSERT_TRUE(lower_.SetEndOfFile(Word(file)));
    EXPECT_EQ(volume_.Content(W("\\f")), (std::vector<BYTE>{'0', '1', '2', '3', 0, 0}));

    volume_.PutFile(W("\\g"), Bytes("other"), FILE_ATTRIBUTE_HIDDEN);
    HANDLE other = Open(W("\\g"), GENERIC_READ, 0, OPEN_EXISTING);
    BY_HANDLE_FILE_INFORMATION info{}, otherInfo{};
    ASSERT_TRUE(lower_.GetFileInformationByHandle(Word(file), &info));
    ASSERT_TRUE(lower_.GetFileInformationByHandle(Word(other), &otherInfo));
    EXPECT_EQ(info.dwFileAttributes, FILE_ATTRIBUTE_ARCHIVE);
    EXPECT_EQ(otherInfo.dwFileAttributes, FILE_ATTRIBUTE_HIDDEN);
    EXPECT_EQ(info.nFileSizeLow, 6u);
    EXPECT_EQ(otherInfo.nFileSizeLow, 5u);
    EXPECT_EQ(info.nNumberOfLinks, 1u);
    EXPECT_NE(info.nFileIndexLow, otherInfo.nFileIndexLow);
    EXPECT_EQ(info.dwVolumeSerialNumber, otherInfo.dwVolumeSerialNumber);
    Close(file);
    Close(other);
}

class CapacityTest : public MemoryVolumeTest {
protected:
    CapacityTest() : MemoryVolumeTest(VolumeGeometry{2, 256, 10}) {}  // ten clusters of 512 bytes

    DWORD FreeClusters() {
        DWORD sectors = 0, bytes = 0, freeClusters = 0, total = 0;
        EXPECT_TRUE(lower_.GetDiskFreeSpaceW(v_, WIDE("\\"), &sectors, &bytes, &freeClusters, &total));
        EXPECT_EQ(sectors, 2u);
        EXPECT_EQ(bytes, 256u);
        EXPECT_EQ(total, 10u);
        return freeClusters;
    }
};

TEST_F(CapacityTest, FilesTakeWholeClustersAndAWriteBeyondTheFreeOnesFailsWhole) {
    EXPECT_EQ(FreeClusters(), 10u);
    volume_.PutFile(W("\\empty"), {});
    EXPECT_EQ(FreeClusters(), 10u);
    volume_.PutFile(W("\\one"), std::vector<BYTE>(1, 1));
    volume_.PutFile(W("\\two"), std::vector<BYTE>(513, 2));
    EXPECT_EQ(FreeClusters(), 7u);

    HANDLE file = Open(W("\\grow"));
    DWORD done = 9;
    EXPECT_TRUE(Write(file, std::vector<BYTE>(7 * 512, 3), &done));
    EXPECT_EQ(FreeClusters(), 0u);
    EXPECT_FALSE(Write(file, Bytes("x"), &done));
    EXPECT_EQ(GetLastError(), ERROR_DISK_FULL);
    EXPECT_EQ(done, 0u);
    EXPECT_EQ(volume_.Content(W("\\grow"))->size(), 7u * 512);
    lower_.SetFilePointer(Word(file), 8 * 512, nullptr, FILE_BEGIN);
    EXPECT_FALSE(lower_.SetEndOfFile(Word(file)));
    EXPECT_EQ(GetLastError(), ERROR_DISK_FULL);
    EXPECT_EQ(lower_.GetFileSize(Word(file), nullptr), 7u * 512);

    // Room within a file's last cluster is no new cluster.
    HANDLE two = Open(W("\\two"), GENERIC_WRITE, 0, OPEN_EXISTING);
    EXPECT_TRUE(lower_.WriteFileWithSeek(Word(two), std::vector<BYTE>(511, 4).data(), 511, &done, nullptr, 513, 0));
    EXPECT_EQ(volume_.Content(W("\\two"))->size(), 1024u);
    Close(two);
    Close(file);

    EXPECT_TRUE(lower_.DeleteFileW(v_, WIDE("\\grow")));
    EXPECT_EQ(FreeClusters(), 7u);
    HANDLE truncated = Open(W("\\two"), GENERIC_WRITE, 0, TRUNCATE_EXISTING);
    EXPECT_EQ(FreeClusters(), 9u);
    Close(truncated);
}

TEST_F(ContentTest, TimesAreSetAtCreationAndLastWriteAdvancesWithChanges) {
    HANDLE file = Open(W("\\t"), GENERIC_READ | GENERIC_WRITE, 0, CREATE_NEW);
    FILETIME creation{}, access{}, write{};
    ASSERT_TRUE(lower_.GetFileTime(Word(file), &creation, &access, &write));
    EXPECT_EQ(Ticks(creation), Ticks(write));
    EXPECT_EQ(Ticks(access), Ticks(write));
    EXPECT_GT(Ticks(creation), 133485408000000000ull);  // the volume clock starts at 2024

    ULONGLONG last = Ticks(write);
    auto lastWrite = [&] {
        FILETIME now{};
        EXPECT_TRUE(lower_.GetFileTime(Word(file), nullptr, nullptr, &now));
        return Ticks(now);
    };
    Write(file, Bytes("abc"));
    EXPECT_GT(lastWrite(), last);
    last = lastWrite();
    Read(file, 1);
    Write(file, {});
    EXPECT_EQ(lastWrite(), last);  // reads and empty writes change nothing
    lower_.SetEndOfFile(Word(file));
    EXPECT_GT(lastWrite(), last);

    const FILETIME set{0x1111, 0x01D0};
    ASSERT_TRUE(lower_.SetFileTime(Word(file), &set, nullptr, nullptr));
    FILETIME afterCreation{}, afterAccess{}, afterWrite{};
    ASSERT_TRUE(lower_.GetFileTime(Word(file), &afterCreation, &afterAccess, &afterWrite));
    EXPECT_EQ(Ticks(afterCreation), Ticks(set));
    EXPECT_EQ(Ticks(afterAccess), Ticks(access));  // null: left as it was
    EXPECT_EQ(Ticks(afterWrite), lastWrite());
    ASSERT_TRUE(lower_.SetFileTime(Word(file), nullptr, &set, &set));
    Close(file);  // a close changes no time
    FILETIME stored[3];
    ASSERT_TRUE(volume_.Times(W("\\t"), &stored[0], &stored[1], &stored[2]));
    for (const FILETIME& time : stored) {
        EXPECT_EQ(Ticks(time), Ticks(set));
    }

    // The clock is the volume's own: the same calls give the same times.
    MemoryVolume twin;
    const LowerHooks& other = *reinterpret_cast<const LowerHooks*>(twin.Hooks());
    HANDLE copy = other.CreateFileW(twin.VolumeWord(), nullptr, WIDE("\\t"), GENERIC_READ | GENERIC_WRITE, 0,
                                    nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    FILETIME twinCreation{};
    other.GetFileTime(Word(copy), &twinCreation, nullptr, nullptr);
    EXPECT_EQ(Ticks(twinCreation), Ticks(creation));
    other.CloseFile(Word(copy));
}

TEST_F(ContentTest, LimitedTransfersComeUpShortWithoutFailing) {
    volume_.PutFile(W("\\f"), Bytes("0123456789"));
    HANDLE file = Open(W("\\f"), GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING);
    volume_.LimitReads(3);
    EXPECT_EQ(Read(file, 10), Bytes("012"));
    BYTE buffer[10];
    DWORD done = 0;
    ASSERT_TRUE(lower_.ReadFileWithSeek(Word(file), buffer, 10, &done, nullptr, 8, 0));
    EXPECT_EQ(done, 2u);  // the end comes first
    volume_.LimitWrites(4);
    lower_.SetFilePointer(Word(file), 0, nullptr, FILE_BEGIN);
    ASSERT_TRUE(Write(file, Bytes("abcdefgh"), &done));
    EXPECT_EQ(done, 4u);
    ASSERT_TRUE(lower_.WriteFileWithSeek(Word(file), "WXYZ!", 5, &done, nullptr, 6, 0));
    EXPECT_EQ(done, 4u);
    EXPECT_EQ(volume_.Content(W("\\f")), Bytes("abcd45WXYZ"));
    volume_.LimitReads(0);
    volume_.LimitWrites(0);
    lower_.SetFilePointer(Word(file), 0, nullptr, FILE_BEGIN);
    EXPECT_EQ(Read(file, 10), Bytes("abcd45WXYZ"));
    Close(file);
}

}  // namespace
