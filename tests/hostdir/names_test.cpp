// Names through the volume: attributes and the read-only attribute,
// directories, moves, deletes and the free space.
#include "tests/hostdir/hostdir_fixture.h"
#include "platform/last_error.h"

namespace {

using NamesTest = HostDirTest;

TEST_F(NamesTest, AttributesOfFilesDirectoriesAndTheRoot) {
    WriteHost("root/f", "x");
    fs::create_directories(root_ / "d");
    EXPECT_EQ(lower().GetFileAttributesW(V(), W("\\f").c_str()), FILE_ATTRIBUTE_ARCHIVE);
    EXPECT_EQ(lower().GetFileAttributesW(V(), W("\\d").c_str()) & FILE_ATTRIBUTE_DIRECTORY, FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(lower().GetFileAttributesW(V(), W("\\d\\").c_str()) & FILE_ATTRIBUTE_DIRECTORY, FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(lower().GetFileAttributesW(V(), W("\\").c_str()) & FILE_ATTRIBUTE_DIRECTORY, FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(lower().GetFileAttributesW(V(), W("\\missing").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(lower().GetFileAttributesW(V(), W("\\missing\\f").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
}

// The layer refuses from the attribute itself, so this holds also for root.
TEST_F(NamesTest, ReadOnlyFilesRefuseWritesAndDeletes) {
    WriteHost("root/f", "kept");
    ASSERT_TRUE(lower().SetFileAttributesW(V(), W("\\f").c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(lower().GetFileAttributesW(V(), W("\\f").c_str()), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
    for (DWORD creation : {OPEN_EXISTING, OPEN_ALWAYS, CREATE_ALWAYS, TRUNCATE_EXISTING}) {
        EXPECT_EQ(Open(W("\\f"), GENERIC_WRITE, 0, creation), INVALID_HANDLE_VALUE) << creation;
        EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED) << creation;
    }
    EXPECT_EQ(Open(W("\\f"), GENERIC_READ, 0, TRUNCATE_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_FALSE(lower().DeleteFileW(V(), W("\\f").c_str()));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(Load(W("\\f")), "kept");
    // A read-only file may still be renamed, as on FAT.
    EXPECT_TRUE(lower().MoveFileW(V(), W("\\f").c_str(), W("\\g").c_str()));
    ASSERT_TRUE(lower().SetFileAttributesW(V(), W("\\g").c_str(), FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(lower().GetFileAttributesW(V(), W("\\g").c_str()), FILE_ATTRIBUTE_ARCHIVE);
    Store(W("\\g"), "changed");
    EXPECT_EQ(ReadHost("root/g"), "changed");
    EXPECT_TRUE(lower().DeleteFileW(V(), W("\\g").c_str()));
}

TEST_F(NamesTest, ANewFileCanBeCreatedReadOnlyAndWrittenThroughItsHandle) {
    HANDLE file = lower().CreateFileW(V(), process_, W("\\ro").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_READONLY, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    Write(file, "first");
    EXPECT_TRUE(Close(file));
    EXPECT_EQ(ReadHost("root/ro"), "first");
    EXPECT_EQ(lower().GetFileAttributesW(V(), W("\\ro").c_str()) & FILE_ATTRIBUTE_READONLY, FILE_ATTRIBUTE_READONLY);
}

TEST_F(NamesTest, Directories) {
    EXPECT_TRUE(lower().CreateDirectoryW(V(), W("\\d").c_str(), nullptr));
    EXPECT_TRUE(fs::is_directory(root_ / "d"));
    EXPECT_FALSE(lower().CreateDirectoryW(V(), W("\\d").c_str(), nullptr));
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_FALSE(lower().CreateDirectoryW(V(), W("\\none\\d").c_str(), nullptr));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_TRUE(lower().CreateDirectoryW(V(), W("\\d\\e").c_str(), nullptr));
    Store(W("\\d\\e\\f"), "x");
    EXPECT_FALSE(lower().RemoveDirectoryW(V(), W("\\d").c_str()));
    EXPECT_EQ(GetLastError(), ERROR_DIR_NOT_EMPTY);
    EXPECT_FALSE(lower().RemoveDirectoryW(V(), W("\\d\\e\\f").c_str()));
    EXPECT_EQ(GetLastError(), ERROR_DIRECTORY);
    EXPECT_FALSE(lower().DeleteFileW(V(), W("\\d").c_str()));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_FALSE(lower().RemoveDirectoryW(V(), W("\\missing").c_str()));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(lower().RemoveDirectoryW(V(), W("\\").c_str()));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(lower().DeleteFileW(V(), W("\\d\\e\\f").c_str()));
    EXPECT_TRUE(lower().RemoveDirectoryW(V(), W("\\d\\e").c_str()));
    EXPECT_TRUE(lower().RemoveDirectoryW(V(), W("\\d").c_str()));
    EXPECT_FALSE(fs::exists(root_ / "d"));
}

TEST_F(NamesTest, MovesOfFilesAndDirectories) {
    WriteHost("root/f", "f");
    WriteHost("root/taken", "taken");
    fs::create_directories(root_ / "d" / "inner");
    EXPECT_FALSE(lower().MoveFileW(V(), W("\\f").c_str(), W("\\taken").c_str()));
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_FALSE(lower().MoveFileW(V(), W("\\missing").c_str(), W("\\new").c_str()));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(lower().MoveFileW(V(), W("\\f").c_str(), W("\\none\\f").c_str()));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_FALSE(lower().MoveFileW(V(), W("\\").c_str(), W("\\root").c_str()));
    EXPECT_TRUE(lower().MoveFileW(V(), W("\\f").c_str(), W("\\d\\inner\\f").c_str()));
    EXPECT_TRUE(lower().MoveFileW(V(), W("\\d").c_str(), W("\\e").c_str()));
    EXPECT_EQ(ReadHost("root/e/inner/f"), "f");
    EXPECT_FALSE(lower().MoveFileW(V(), W("\\e").c_str(), W("\\taken").c_str()));
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_EQ(ReadHost("root/taken"), "taken");
}

TEST_F(NamesTest, DeleteAndRenamePutsTheSourceInTheDestinationsPlace) {
    WriteHost("root/stored", "old");
    WriteHost("root/copy", "new");
    EXPECT_TRUE(lower().DeleteAndRenameFileW(V(), W("\\stored").c_str(), W("\\copy").c_str()));
    EXPECT_EQ(ReadHost("root/stored"), "new");
    EXPECT_FALSE(fs::exists(root_ / "copy"));
    EXPECT_FALSE(lower().DeleteAndRenameFileW(V(), W("\\missing").c_str(), W("\\stored").c_str()));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(lower().DeleteAndRenameFileW(V(), W("\\stored").c_str(), W("\\missing").c_str()));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    WriteHost("root/copy", "newer");
    ASSERT_TRUE(lower().SetFileAttributesW(V(), W("\\stored").c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(lower().DeleteAndRenameFileW(V(), W("\\stored").c_str(), W("\\copy").c_str()));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(ReadHost("root/stored"), "new");
}

TEST_F(NamesTest, FreeSpaceInThirtyTwoBitClusters) {
    DWORD sectors = 0, bytes = 0, freeClusters = 0, totalClusters = 0;
    ASSERT_TRUE(lower().GetDiskFreeSpaceW(V(), W("\\").c_str(), &sectors, &bytes, &freeClusters, &totalClusters));
    EXPECT_EQ(bytes, 512u);
    EXPECT_GE(sectors, 1u);
    EXPECT_GT(totalClusters, 0u);
    EXPECT_LE(freeClusters, totalClusters);
    std::error_code error;
    fs::space_info space = fs::space(root_, error);
    ASSERT_FALSE(error);
    uint64_t cluster = static_cast<uint64_t>(sectors) * bytes;
    EXPECT_EQ(totalClusters, space.capacity / cluster);
}

}  // namespace
