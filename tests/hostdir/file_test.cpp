// Files through the volume: creation dispositions, access, transfers, the
// file pointer, size, end of file, times and information.
#include "tests/hostdir/hostdir_fixture.h"
#include "platform/last_error.h"

namespace {

using FileTest = HostDirTest;

TEST_F(FileTest, CreationDispositions) {
    struct Case {
        const char* what;
        DWORD creation;
        bool exists;
        bool opens;
        DWORD error;          // the last error after the call
        const char* content;  // on the host afterwards; null when absent
    } cases[] = {
        {"CREATE_NEW, absent", CREATE_NEW, false, true, ERROR_SUCCESS, ""},
        {"CREATE_NEW, present", CREATE_NEW, true, false, ERROR_FILE_EXISTS, "old"},
        {"CREATE_ALWAYS, absent", CREATE_ALWAYS, false, true, ERROR_SUCCESS, ""},
        {"CREATE_ALWAYS, present", CREATE_ALWAYS, true, true, ERROR_ALREADY_EXISTS, ""},
        {"OPEN_EXISTING, absent", OPEN_EXISTING, false, false, ERROR_FILE_NOT_FOUND, nullptr},
        {"OPEN_EXISTING, present", OPEN_EXISTING, true, true, ERROR_SUCCESS, "old"},
        {"OPEN_ALWAYS, absent", OPEN_ALWAYS, false, true, ERROR_SUCCESS, ""},
        {"OPEN_ALWAYS, present", OPEN_ALWAYS, true, true, ERROR_ALREADY_EXISTS, "old"},
        {"TRUNCATE_EXISTING, absent", TRUNCATE_EXISTING, false, false, ERROR_FILE_NOT_FOUND, nullptr},
        {"TRUNCATE_EXISTING, present", TRUNCATE_EXISTING, true, true, ERROR_SUCCESS, ""},
    };
    for (const Case& c : cases) {
        fs::remove(root_ / "f.txt");
        if (c.exists) {
            WriteHost("root/f.txt", "old");
        }
        SetLastError(12345);
        HANDLE file = Open(W("\\f.txt"), GENERIC_READ | GENERIC_WRITE, 0, c.creation);
        EXPECT_EQ(GetLastError(), c.error) << c.what;
        EXPECT_EQ(file != INVALID_HANDLE_VALUE, c.opens) << c.what;
        if (file != INVALID_HANDLE_VALUE) {
            EXPECT_NE(Word(file), 0u) << c.what;
            EXPECT_TRUE(Close(file)) << c.what;
        }
        EXPECT_EQ(fs::exists(root_ / "f.txt"), c.content != nullptr) << c.what;
        if (c.content != nullptr) {
            EXPECT_EQ(ReadHost("root/f.txt"), c.content) << c.what;
        }
    }
}

TEST_F(FileTest, OpenErrors) {
    fs::create_directories(root_ / "dir");
    struct Case {
        const char* what;
        const char* name;
        DWORD creation;
        DWORD error;
    } cases[] = {
        {"missing parent", "\\nowhere\\f.txt", CREATE_ALWAYS, ERROR_PATH_NOT_FOUND},
        {"missing parent, opening", "\\nowhere\\f.txt", OPEN_EXISTING, ERROR_PATH_NOT_FOUND},
        {"a file as a parent", "\\file\\f.txt", OPEN_EXISTING, ERROR_PATH_NOT_FOUND},
        {"a directory", "\\dir", OPEN_EXISTING, ERROR_ACCESS_DENIED},
        {"a directory, creating", "\\dir", CREATE_ALWAYS, ERROR_ACCESS_DENIED},
        {"the root", "\\", OPEN_EXISTING, ERROR_ACCESS_DENIED},
        {"a bad disposition", "\\file", 0, ERROR_INVALID_PARAMETER},
        {"another bad disposition", "\\file", 6, ERROR_INVALID_PARAMETER},
    };
    WriteHost("root/file", "x");
    for (const Case& c : cases) {
        EXPECT_EQ(Open(W(c.name), GENERIC_READ, 0, c.creation), INVALID_HANDLE_VALUE) << c.what;
        EXPECT_EQ(GetLastError(), c.error) << c.what;
    }
}

TEST_F(FileTest, TransfersHonourTheHandlesAccess) {
    WriteHost("root/f.txt", "content");
    char buffer[16];
    DWORD done = 99;
    HANDLE reader = Open(W("\\f.txt"), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
    HANDLE writer = Open(W("\\f.txt"), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(lower().WriteFile(Word(reader), "x", 1, &done, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(done, 0u);
    EXPECT_FALSE(lower().WriteFileWithSeek(Word(reader), "x", 1, &done, nullptr, 0, 0));
    EXPECT_FALSE(lower().SetEndOfFile(Word(reader)));
    EXPECT_FALSE(lower().FlushFileBuffers(Word(reader)));
    EXPECT_FALSE(lower().ReadFile(Word(writer), buffer, sizeof(buffer), &done, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_FALSE(lower().ReadFileWithSeek(Word(writer), buffer, sizeof(buffer), &done, nullptr, 0, 0));
    EXPECT_EQ(ReadHost("root/f.txt"), "content");
    EXPECT_TRUE(Close(reader));
    EXPECT_TRUE(Close(writer));
}

TEST_F(FileTest, ReadsAndWritesAtThePointerAndWithSeek) {
    HANDLE file = Open(W("\\f.bin"), GENERIC_READ | GENERIC_WRITE, 0, CREATE_NEW);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    Write(file, "0123456789");
    DWORD done = 0;
    ASSERT_TRUE(lower().WriteFileWithSeek(Word(file), "ab", 2, &done, nullptr, 3, 0));
    EXPECT_EQ(done, 2u);
    // A seeking transfer leaves the pointer after what it moved.
    EXPECT_EQ(ReadRest(file), "56789");
    char buffer[8] = {};
    ASSERT_TRUE(lower().ReadFileWithSeek(Word(file), buffer, 4, &done, nullptr, 1, 0));
    EXPECT_EQ(std::string(buffer, done), "12ab");
    EXPECT_EQ(ReadRest(file), "56789");
    // Reading at the end is not an error: it reads nothing.
    ASSERT_TRUE(lower().ReadFile(Word(file), buffer, sizeof(buffer), &done, nullptr));
    EXPECT_EQ(done, 0u);
    ASSERT_TRUE(lower().ReadFileWithSeek(Word(file), buffer, sizeof(buffer), &done, nullptr, 100, 0));
    EXPECT_EQ(done, 0u);
    EXPECT_TRUE(Close(file));
    EXPECT_EQ(ReadHost("root/f.bin"), "012ab56789");
}

TEST_F(FileTest, FilePointerMethodsAndHighParts) {
    HANDLE file = Open(W("\\f.bin"));
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    Write(file, "0123456789");
    DWORD_PTR h = Word(file);
    EXPECT_EQ(lower().SetFilePointer(h, 2, nullptr, FILE_BEGIN), 2u);
    EXPECT_EQ(lower().SetFilePointer(h, 3, nullptr, FILE_CURRENT), 5u);
    EXPECT_EQ(lower().SetFilePointer(h, -1, nullptr, FILE_END), 9u);
    EXPECT_EQ(ReadRest(file), "9");
    EXPECT_EQ(lower().SetFilePointer(h, -11, nullptr, FILE_END), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), ERROR_NEGATIVE_SEEK);
    EXPECT_EQ(lower().SetFilePointer(h, 0, nullptr, 7), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    // 5 GiB: beyond 32 bits, so only with a high part.
    LONG high = 1;
    EXPECT_EQ(lower().SetFilePointer(h, 0x40000000, &high, FILE_BEGIN), 0x40000000u);
    EXPECT_EQ(high, 1);
    high = 0;
    EXPECT_EQ(lower().SetFilePointer(h, 0, &high, FILE_CURRENT), 0x40000000u);
    EXPECT_EQ(high, 1);
    EXPECT_EQ(lower().SetFilePointer(h, 0, nullptr, FILE_CURRENT), INVALID_SET_FILE_POINTER);
    // A negative high part moves backwards.
    high = -1;
    EXPECT_EQ(lower().SetFilePointer(h, 0, &high, FILE_CURRENT), 0x40000000u);
    EXPECT_EQ(high, 0);
    EXPECT_TRUE(Close(file));
}

TEST_F(FileTest, SizeEndOfFileAndFlush) {
    HANDLE file = Open(W("\\f.bin"));
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD_PTR h = Word(file);
    Write(file, "0123456789");
    DWORD high = 7;
    EXPECT_EQ(lower().GetFileSize(h, &high), 10u);
    EXPECT_EQ(high, 0u);
    EXPECT_TRUE(lower().FlushFileBuffers(h));
    lower().SetFilePointer(h, 4, nullptr, FILE_BEGIN);
    EXPECT_TRUE(lower().SetEndOfFile(h));
    EXPECT_EQ(lower().GetFileSize(h, nullptr), 4u);
    // Extending through the pointer, past 4 GiB.
    LONG pointerHigh = 1;
    lower().SetFilePointer(h, 16, &pointerHigh, FILE_BEGIN);
    EXPECT_TRUE(lower().SetEndOfFile(h));
    EXPECT_EQ(lower().GetFileSize(h, &high), 16u);
    EXPECT_EQ(high, 1u);
    BY_HANDLE_FILE_INFORMATION info{};
    EXPECT_TRUE(lower().GetFileInformationByHandle(h, &info));
    EXPECT_EQ(info.nFileSizeHigh, 1u);
    EXPECT_EQ(info.nFileSizeLow, 16u);
    EXPECT_EQ(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
    EXPECT_GE(info.nNumberOfLinks, 1u);
    EXPECT_TRUE(Close(file));
}

TEST_F(FileTest, FileTimesRoundTrip) {
    HANDLE file = Open(W("\\t.txt"));
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD_PTR h = Word(file);
    // 2009-02-13 23:31:30 UTC and a day later, in whole seconds, which every host keeps.
    const ULONGLONG kWrite = 128790498900000000ull;
    const ULONGLONG kAccess = kWrite + 864000000000ull;
    FILETIME write{static_cast<DWORD>(kWrite), static_cast<DWORD>(kWrite >> 32)};
    FILETIME access{static_cast<DWORD>(kAccess), static_cast<DWORD>(kAccess >> 32)};
    EXPECT_TRUE(lower().SetFileTime(h, nullptr, &access, &write));
    FILETIME creation{}, gotAccess{}, gotWrite{};
    EXPECT_TRUE(lower().GetFileTime(h, &creation, &gotAccess, &gotWrite));
    EXPECT_EQ(gotWrite.dwLowDateTime, write.dwLowDateTime);
    EXPECT_EQ(gotWrite.dwHighDateTime, write.dwHighDateTime);
    EXPECT_EQ(gotAccess.dwHighDateTime, access.dwHighDateTime);
    EXPECT_EQ(gotAccess.dwLowDateTime, access.dwLowDateTime);
    EXPECT_NE(creation.dwHighDateTime, 0u);
    // Null leaves a time as it is.
    EXPECT_TRUE(lower().SetFileTime(h, nullptr, nullptr, nullptr));
    EXPECT_TRUE(lower().GetFileTime(h, nullptr, nullptr, &gotWrite));
    EXPECT_EQ(gotWrite.dwLowDateTime, write.dwLowDateTime);
    BY_HANDLE_FILE_INFORMATION info{};
    EXPECT_TRUE(lower().GetFileInformationByHandle(h, &info));
    EXPECT_EQ(info.ftLastWriteTime.dwLowDateTime, write.dwLowDateTime);
    EXPECT_TRUE(Close(file));

    HANDLE reader = Open(W("\\t.txt"), GENERIC_READ, 0, OPEN_EXISTING);
    EXPECT_FALSE(lower().SetFileTime(Word(reader), nullptr, &access, &write));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(Close(reader));
}

TEST_F(FileTest, DeviceEntries) {
    HANDLE file = Open(W("\\f"));
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD returned = 0;
    EXPECT_FALSE(lower().DeviceIoControl(Word(file), 0x1234, nullptr, 0, nullptr, 0, &returned, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_FUNCTION);
    EXPECT_TRUE(lower().Notify(V(), 0));
    EXPECT_TRUE(lower().RegisterFileSystemFunction(V(), nullptr));
    EXPECT_TRUE(Close(file));
}

TEST_F(FileTest, ClosingTheVolumeClosesWhatIsStillOpen) {
    WriteHost("root/a", "a");
    HANDLE file = Open(W("\\a"), GENERIC_READ, 0, OPEN_EXISTING);
    WIN32_FIND_DATAW data;
    HANDLE search = lower().FindFirstFileW(V(), process_, W("\\*").c_str(), &data);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    volume_.reset();
    // The share mode went with the handle: another volume opens the file exclusively.
    std::unique_ptr<HostDirectoryVolume> again = HostDirectoryVolume::Open(root_.u8string());
    ASSERT_TRUE(again);
    const LowerHooks& hooks = *reinterpret_cast<const LowerHooks*>(again->Hooks());
    HANDLE exclusive = hooks.CreateFileW(hooks.lowerVolume, process_, W("\\a").c_str(), GENERIC_READ | GENERIC_WRITE,
                                         0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(exclusive, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(hooks.CloseFile(Word(exclusive)));
}

TEST_F(FileTest, OpeningAVolume) {
    EXPECT_FALSE(HostDirectoryVolume::Open((base_ / "missing").u8string()));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    WriteHost("plain", "x");
    EXPECT_FALSE(HostDirectoryVolume::Open(Host("plain").u8string()));
    EXPECT_EQ(GetLastError(), ERROR_DIRECTORY);
    EXPECT_EQ(volume_->Root(), root_.u8string());
    EXPECT_EQ(volume_->Hooks()[1], reinterpret_cast<DWORD_PTR>(volume_.get()));
    std::string hostPath;
    ASSERT_TRUE(volume_->HostPath(W("\\a\\b.txt").c_str(), &hostPath));
    EXPECT_EQ(fs::u8path(hostPath), root_ / "a" / "b.txt");
}

}  // namespace
