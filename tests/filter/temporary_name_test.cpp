// Temporary names: "\TMP%u" from the low 32 bits of a counter, and a fresh
// file for every name, never an existing one.
#include <cstring>
#include <set>

#include "filter/temporary_files.h"
#include "tests/filter/filter_fixture.h"

namespace {

WString Formatted(ULONGLONG counter) {
    WCHAR name[kTempNameUnits];
    FormatTempName(counter, name);
    return name;
}

TEST(TemporaryName, IsTheLowHalfOfTheCounterInDecimal) {
    EXPECT_EQ(Formatted(5), W("\\TMP5"));
    EXPECT_EQ(Formatted((1ull << 32) + 5), W("\\TMP5"));
    EXPECT_EQ(Formatted(0), W("\\TMP0"));
    EXPECT_EQ(Formatted(0xFFFFFFFFu), W("\\TMP4294967295"));  // the longest: 14 units
    EXPECT_EQ(Formatted(1000000), W("\\TMP1000000"));
}

using TemporaryFileTest = FilterTest;

TEST_F(TemporaryFileTest, ATakenNameIsNeverOpenedAnotherIsFormed) {
    // Every name the counter forms is taken for a while: CREATE_NEW refuses.
    const LowerHooks& lower = VolumeOf(filter_)->hooks;
    WCHAR name[kTempNameUnits];
    std::set<WString> made;
    for (int i = 0; i < 20; ++i) {
        HANDLE file = CreateTemporaryFile(lower, nullptr, name);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        lower.CloseFile(reinterpret_cast<DWORD_PTR>(file));
        EXPECT_TRUE(made.insert(name).second);  // a fresh file each time, none reused
    }
    EXPECT_EQ(TemporaryFiles().size(), 20u);
}

TEST_F(TemporaryFileTest, ACreateRefusedForAnotherReasonFails) {
    lower_.Inject(Fault{1, true, {LowerEntry::CreateFileW}, {}, ERROR_DISK_FULL});
    WCHAR name[kTempNameUnits];
    EXPECT_EQ(CreateTemporaryFile(VolumeOf(filter_)->hooks, nullptr, name), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_DISK_FULL);
}

TEST_F(TemporaryFileTest, ReadOnlyTemporaryFilesAreDeleted) {
    lower_.PutFile(W("\\TMP77"), Bytes("x"), FILE_ATTRIBUTE_READONLY);
    SetLastError(ERROR_HANDLE_EOF);
    EXPECT_TRUE(DeleteTemporaryFile(VolumeOf(filter_)->hooks, WIDE("\\TMP77")));
    EXPECT_EQ(GetLastError(), ERROR_HANDLE_EOF);  // the caller's error stands
    EXPECT_FALSE(lower_.Exists(W("\\TMP77")));
}

}  // namespace
