// Cycles at the volume's limits: every amount of free space from none to
// enough, the longest names that fit a handle, deep directories. A full
// volume fails writes with ERROR_DISK_FULL and loses no file.
#include <algorithm>
#include <string>

#include "tests/filter/filter_fixture.h"
#include "tests/support/sample_content.h"
#include "tests/support/settings_seed.h"

namespace {

constexpr DWORD kClusterBytes = 512;

class FullVolumeTest : public FilterTest {
protected:
    FullVolumeTest() : FilterTest(VolumeGeometry{1, kClusterBytes, 1024}) {}

    DWORD FreeClusters() {
        DWORD sectors = 0, bytes = 0, free = 0, total = 0;
        const LowerHooks& lower = *reinterpret_cast<const LowerHooks*>(lower_.Hooks());
        EXPECT_TRUE(lower.GetDiskFreeSpaceW(lower.lowerVolume, WIDE("\\"), &sectors, &bytes, &free, &total));
        return free;
    }
};

TEST_F(FullVolumeTest, EveryAmountOfFreeSpaceLosesNoFile) {
    const std::vector<BYTE> oldContent = SampleText(60000);
    const std::vector<BYTE> newContent = SampleNoise(40000);  // needs room twice over: working and new copy
    const std::vector<BYTE> image = PackedImage(oldContent);
    for (DWORD enable : {1u, 0u}) {
        SeedSettings(enable, 9);
        bool fitted = false;
        for (DWORD room = 0; !fitted; ++room) {
            SCOPED_TRACE("enable " + std::to_string(enable) + ", " + std::to_string(room) + " clusters free");
            for (const WString& name : lower_.Files()) {
                MRV_DeleteFileW(filter_, name.c_str());
            }
            lower_.PutFile(W("\\f"), image);
            const std::vector<BYTE> filler((FreeClusters() - room) * kClusterBytes, 0x5A);
            lower_.PutFile(W("\\filler"), filler);
            ASSERT_EQ(FreeClusters(), room);

            std::vector<BYTE> handleContent = oldContent;
            HANDLE file = Open(W("\\f"), GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING);
            if (file == INVALID_HANDLE_VALUE) {
                EXPECT_EQ(GetLastError(), ERROR_DISK_FULL) << "the working copy does not fit";
            } else {
                DWORD done = 0;
                ASSERT_TRUE(MRV_SetEndOfFile(Word(file)));
                handleContent.clear();
                if (MRV_WriteFile(Word(file), newContent.data(), static_cast<DWORD>(newContent.size()), &done,
                                  nullptr)) {
                    handleContent = newContent;
                } else {
                    EXPECT_EQ(GetLastError(), ERROR_DISK_FULL);
                }
                Close(file);
            }
            const std::vector<BYTE> content = StoredContent(W("\\f"));
            EXPECT_TRUE(content == oldContent || content == handleContent)
                << "the stored file holds " << content.size() << " bytes of neither content";
            fitted = content == newContent;
            EXPECT_TRUE(TemporaryFiles().empty());
            EXPECT_EQ(lower_.Content(W("\\filler")), filler);
            EXPECT_EQ(lower_.OpenHandles(), 0u);
        }
    }
}

using NameLimitsTest = FilterTest;

// A path of `length` units: directories of 100 units, then the file name.
WString PathOfLength(size_t length) {
    WString path;
    while (length - path.size() > 101) {
        path += WIDE("\\") + WString(100, u'd');
    }
    return path + WIDE("\\") + WString(length - path.size() - 1, u'f');
}

TEST_F(NameLimitsTest, LongNamesDeepDirectoriesAndWideCharactersCycle) {
    WString deep;
    for (int level = 0; level < 80; ++level) {
        deep += WIDE("\\") + WString(1, static_cast<WCHAR>(u'a' + level % 26)) + WString(1, u'0' + level / 26);
    }
    const WString deepFile = deep + WIDE("\\f");
    const WString wide = WString(WIDE("\\\u00e9t\u00e9 \u0416\u0443\u043a ")) +
                       static_cast<WCHAR>(0xD83D) + static_cast<WCHAR>(0xDE00) + WIDE(".txt");
    for (const WString& name : {PathOfLength(254), deepFile, wide}) {
        SCOPED_TRACE(ToUtf8(name));
        ASSERT_LT(name.size(), kPathUnits);
        size_t cut = name.rfind(u'\\');
        if (cut > 0) {
            lower_.PutDirectory(name.substr(0, cut));
        }
        const std::vector<BYTE> first = SampleText(9000);
        const std::vector<BYTE> second = SampleBinary(12000);
        Store(name, first);
        EXPECT_TRUE(StoredPacked(name));
        Store(name, second);
        EXPECT_EQ(StoredContent(name), second);
        EXPECT_EQ(Load(name), second);
        EXPECT_TRUE(TemporaryFiles().empty());
    }
    // One unit more than the handle holds: refused, nothing made.
    const WString tooLong = PathOfLength(255);
    EXPECT_EQ(Open(tooLong, GENERIC_WRITE, 0, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILENAME_EXCED_RANGE);
    EXPECT_FALSE(lower_.Exists(tooLong));
}

}  // namespace
