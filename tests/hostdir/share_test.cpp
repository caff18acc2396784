// Share modes across handles, across two volumes on one root, and the
// names of open files.
#include <atomic>
#include <thread>
#include <vector>

#include "tests/hostdir/hostdir_fixture.h"
#include "platform/last_error.h"

namespace {

constexpr DWORD kRead = GENERIC_READ;
constexpr DWORD kWrite = GENERIC_WRITE;
constexpr DWORD kBoth = GENERIC_READ | GENERIC_WRITE;
constexpr DWORD kShareRead = FILE_SHARE_READ;
constexpr DWORD kShareWrite = FILE_SHARE_WRITE;
constexpr DWORD kShareBoth = FILE_SHARE_READ | FILE_SHARE_WRITE;

class ShareTest : public HostDirTest {
protected:
    ShareTest() {
        WriteHost("root/f", "x");
        second_ = HostDirectoryVolume::Open(root_.u8string());
    }

    // The second volume on the same root.
    HANDLE OpenSecond(DWORD access, DWORD share) {
        const LowerHooks& hooks = *reinterpret_cast<const LowerHooks*>(second_->Hooks());
        return hooks.CreateFileW(hooks.lowerVolume, process_, W("\\f").c_str(), access, share, nullptr,
                                 OPEN_EXISTING, 0, nullptr);
    }

    std::unique_ptr<HostDirectoryVolume> second_;
};

struct ShareCase {
    DWORD firstAccess, firstShare, secondAccess, secondShare;
    bool opens;
};

const ShareCase kShareCases[] = {
    {kRead, kShareRead, kRead, kShareRead, true},
    {kRead, kShareRead, kRead, 0, false},
    {kRead, 0, kRead, kShareBoth, false},
    {kRead, kShareRead, kWrite, kShareBoth, false},
    {kRead, kShareWrite, kWrite, kShareRead, true},
    {kWrite, kShareRead, kRead, kShareWrite, true},
    {kWrite, kShareRead, kRead, kShareRead, false},
    {kBoth, kShareBoth, kBoth, kShareBoth, true},
    {kBoth, kShareBoth, kRead, kShareRead, false},
    {kBoth, 0, 0, 0, true},  // an open for neither reading nor writing conflicts with nothing
    {0, 0, kBoth, 0, true},
};

TEST_F(ShareTest, SecondOpenOnOneVolumeAndAcrossTwoVolumes) {
    ASSERT_TRUE(second_);
    for (bool acrossVolumes : {false, true}) {
        for (const ShareCase& c : kShareCases) {
            HANDLE first = Open(W("\\f"), c.firstAccess, c.firstShare, OPEN_EXISTING);
            ASSERT_NE(first, INVALID_HANDLE_VALUE);
            HANDLE second = acrossVolumes ? OpenSecond(c.secondAccess, c.secondShare)
                                          : Open(W("\\f"), c.secondAccess, c.secondShare, OPEN_EXISTING);
            EXPECT_EQ(second != INVALID_HANDLE_VALUE, c.opens)
                << std::hex << c.firstAccess << "/" << c.firstShare << " then " << c.secondAccess << "/"
                << c.secondShare << (acrossVolumes ? " across volumes" : "");
            if (second != INVALID_HANDLE_VALUE) {
                EXPECT_TRUE(lower().CloseFile(Word(second)));
            } else {
                EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
            }
            EXPECT_TRUE(Close(first));
        }
    }
}

TEST_F(ShareTest, AConflictingCreateAlwaysLeavesTheContent) {
    HANDLE first = Open(W("\\f"), kRead, kShareRead, OPEN_EXISTING);
    ASSERT_NE(first, INVALID_HANDLE_VALUE);
    EXPECT_EQ(Open(W("\\f"), kWrite, kShareBoth, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    EXPECT_EQ(ReadHost("root/f"), "x");
    EXPECT_TRUE(Close(first));
}

TEST_F(ShareTest, AnOpenFileIsNeitherDeletedNorMovedWhateverItsShareMode) {
    WriteHost("root/g", "g");
    for (DWORD share : {DWORD{0}, kShareBoth, DWORD{kShareBoth | FILE_SHARE_DELETE}}) {
        HANDLE file = Open(W("\\f"), kRead, share, OPEN_EXISTING);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        EXPECT_FALSE(lower().DeleteFileW(V(), W("\\f").c_str()));
        EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
        EXPECT_FALSE(lower().MoveFileW(V(), W("\\f").c_str(), W("\\moved").c_str()));
        EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
        EXPECT_FALSE(lower().DeleteAndRenameFileW(V(), W("\\f").c_str(), W("\\g").c_str()));
        EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
        EXPECT_FALSE(lower().DeleteAndRenameFileW(V(), W("\\g").c_str(), W("\\f").c_str()));
        EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
        EXPECT_TRUE(Close(file));
    }
    EXPECT_TRUE(lower().MoveFileW(V(), W("\\f").c_str(), W("\\moved").c_str()));
    EXPECT_TRUE(lower().DeleteFileW(V(), W("\\moved").c_str()));
}

// Threads of two volumes race for an exclusive open of one file: the table
// lets at most one hold it at any moment, and every handle closes.
TEST_F(ShareTest, ExclusiveOpensRacingOnManyThreads) {
    ASSERT_TRUE(second_);
    std::atomic<int> holders{0};
    std::atomic<int> overlaps{0};
    std::atomic<int> opens{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < 300; ++round) {
                HANDLE file = t % 2 ? OpenSecond(kBoth, 0) : Open(W("\\f"), kBoth, 0, OPEN_EXISTING);
                if (file == INVALID_HANDLE_VALUE) {
                    continue;
                }
                ++opens;
                if (++holders > 1) {
                    ++overlaps;
                }
                --holders;
                lower().CloseFile(Word(file));
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_GT(opens.load(), 0);
    EXPECT_EQ(overlaps.load(), 0);
    HANDLE after = Open(W("\\f"), kBoth, 0, OPEN_EXISTING);
    EXPECT_NE(after, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(Close(after));
}

}  // namespace
