// Symbolic links and special files in the tree on Linux: none is followed,
// listed or opened, also while a directory is swapped for a link meanwhile.
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>

#include <atomic>
#include <cstring>
#include <thread>

#include "tests/hostdir/hostdir_fixture.h"
#include "platform/last_error.h"

namespace {

class SymlinkTest : public HostDirTest {
protected:
    SymlinkTest() {
        fs::create_directory_symlink(base_ / "sentinel", root_ / "out");
        fs::create_symlink(base_ / "sentinel" / "secret.txt", root_ / "secret.txt");
        fs::create_symlink(base_ / "sentinel" / "created.txt", root_ / "dangling.txt");
        fs::create_directory_symlink("..", root_ / "up");
        mkfifo((root_ / "fifo").c_str(), 0666);
        WriteHost("root/plain", "plain");
    }
};

TEST_F(SymlinkTest, NoEntryFollowsALinkOrOpensASpecialFile) {
    const char* names[] = {"\\out\\secret.txt", "\\out\\inner\\secret.txt", "\\out\\new.txt", "\\up\\sentinel\\secret.txt",
                           "\\secret.txt",      "\\dangling.txt",          "\\out",          "\\fifo"};
    for (const char* name : names) {
        WString wide = W(name);
        for (DWORD creation : {OPEN_EXISTING, OPEN_ALWAYS, CREATE_ALWAYS, TRUNCATE_EXISTING}) {
            EXPECT_EQ(Open(wide, GENERIC_READ | GENERIC_WRITE, 0, creation), INVALID_HANDLE_VALUE) << name;
            EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED) << name << " " << creation;
        }
        EXPECT_EQ(lower().GetFileAttributesW(V(), wide.c_str()), INVALID_FILE_ATTRIBUTES) << name;
        EXPECT_FALSE(lower().SetFileAttributesW(V(), wide.c_str(), FILE_ATTRIBUTE_READONLY)) << name;
        EXPECT_FALSE(lower().DeleteFileW(V(), wide.c_str())) << name;
        EXPECT_FALSE(lower().RemoveDirectoryW(V(), wide.c_str())) << name;
        EXPECT_FALSE(lower().CreateDirectoryW(V(), (wide + W("\\d")).c_str(), nullptr)) << name;
        EXPECT_FALSE(lower().MoveFileW(V(), wide.c_str(), W("\\moved").c_str())) << name;
        EXPECT_FALSE(lower().MoveFileW(V(), W("\\plain").c_str(), (wide + W("\\plain")).c_str())) << name;
        EXPECT_FALSE(lower().DeleteAndRenameFileW(V(), wide.c_str(), W("\\plain").c_str())) << name;
        WIN32_FIND_DATAW data;
        EXPECT_EQ(lower().FindFirstFileW(V(), process_, (wide + W("\\*")).c_str(), &data), INVALID_HANDLE_VALUE);
    }
    EXPECT_EQ(OutsideSnapshot(), outsideAtStart_);
    EXPECT_FALSE(fs::exists(base_ / "sentinel" / "created.txt"));
    EXPECT_EQ(ReadHost("root/plain"), "plain");
    struct stat secret {};
    ASSERT_EQ(stat((base_ / "sentinel" / "secret.txt").c_str(), &secret), 0);
    EXPECT_NE(secret.st_mode & S_IWUSR, 0u);
}

TEST_F(SymlinkTest, ListingsShowOnlyFilesAndDirectories) {
    WIN32_FIND_DATAW data;
    HANDLE search = lower().FindFirstFileW(V(), process_, W("\\*").c_str(), &data);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    std::vector<WString> names{data.cFileName};
    while (lower().FindNextFileW(Word(search), &data)) {
        names.push_back(data.cFileName);
    }
    EXPECT_TRUE(lower().FindClose(Word(search)));
    EXPECT_EQ(names, std::vector<WString>{W("plain")});
}

TEST_F(SymlinkTest, HostNamesTheVolumeCannotSpellAreNotListed) {
    fs::create_directories(root_ / "odd");
    WriteHost("root/odd/back\\slash", "");
    WriteHost("root/odd/colon:", "");
    WriteHost("root/odd/trailing.", "");
    WriteHost("root/odd/not-utf8-\xff", "");
    WriteHost("root/odd/ok", "");
    WIN32_FIND_DATAW data;
    HANDLE search = lower().FindFirstFileW(V(), process_, W("\\odd\\*").c_str(), &data);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    EXPECT_EQ(WString(data.cFileName), W("ok"));
    EXPECT_FALSE(lower().FindNextFileW(Word(search), &data));
    EXPECT_TRUE(lower().FindClose(Word(search)));
}

// One thread swaps a directory of the tree with a link out of it, atomically
// and over and over, while another works through the name; the link must
// never be followed: nothing is created outside, the secret is never read.
TEST_F(SymlinkTest, ADirectorySwappedForALinkNeverLeadsOut) {
    fs::create_directories(root_ / "flip");
    fs::create_directory_symlink(base_ / "sentinel", root_ / "flop");
    WriteHost("sentinel/victim.txt", kSecret);
    outsideAtStart_ = OutsideSnapshot();
    std::atomic<bool> done{false};
    std::atomic<int> swaps{0};
    std::thread swapper([&] {
        std::string flip = (root_ / "flip").string();
        std::string flop = (root_ / "flop").string();
        while (!done) {
            if (renameat2(AT_FDCWD, flip.c_str(), AT_FDCWD, flop.c_str(), RENAME_EXCHANGE) == 0) {
                ++swaps;
            }
        }
    });
    int opened = 0;
    for (int round = 0; round < 3000 || swaps < 100; ++round) {
        for (const char* name : {"\\flip\\victim.txt", "\\flop\\victim.txt"}) {
            HANDLE file = Open(W(name), GENERIC_READ | GENERIC_WRITE, 0, OPEN_ALWAYS);
            if (file != INVALID_HANDLE_VALUE) {
                ++opened;
                std::string content = ReadRest(file);
                EXPECT_EQ(content.find(kSecret), std::string::npos);
                Write(file, "written inside");
                Close(file);
                lower().DeleteFileW(V(), W(name).c_str());
            }
            lower().SetFileAttributesW(V(), W(name).c_str(), FILE_ATTRIBUTE_READONLY);
            lower().CreateDirectoryW(V(), (W(name) + W(".d")).c_str(), nullptr);
        }
    }
    done = true;
    swapper.join();
    EXPECT_GT(opened, 0);
    EXPECT_EQ(OutsideSnapshot(), outsideAtStart_);
}

}  // namespace
