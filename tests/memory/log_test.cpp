// The call log: what each entry records, and its text.
#include "tests/memory/memory_fixture.h"

namespace {

using LogTest = MemoryVolumeTest;

TEST_F(LogTest, EachCallIsLoggedWithItsWordsNamesNumbersAndResult) {
    volume_.PutFile(W("\\a.txt"), {});
    volume_.EnableLog(true);
    HANDLE file = Open(W("\\a.txt"), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, OPEN_EXISTING, FILE_ATTRIBUTE_HIDDEN);
    Write(file, Bytes("hello"));
    LONG high = -1;
    lower_.SetFilePointer(Word(file), -2, &high, FILE_END);
    BYTE buffer[4];
    DWORD done = 0;
    lower_.ReadFileWithSeek(Word(file), buffer, 4, &done, nullptr, 1, 0);
    lower_.GetFileAttributesW(v_, WIDE("\\a.txt"));
    lower_.SetFileAttributesW(v_, WIDE("\\a.txt"), FILE_ATTRIBUTE_NORMAL);
    lower_.DeleteFileW(v_, WIDE("\\a.txt"));
    lower_.GetFileSize(Word(file), nullptr);
    lower_.DeviceIoControl(Word(file), 0x90000, nullptr, 16, nullptr, 32, &done, nullptr);
    Close(file);
    lower_.MoveFileW(v_, WIDE("\\a.txt"), WIDE("\\b.txt"));
    lower_.Notify(v_, 0x10);
    Search(W("\\*.zip"));
    HANDLE created = Open(W("\\TMP5"), GENERIC_WRITE, 0, CREATE_NEW);
    Close(created);

    std::vector<std::string> lines;
    for (const LoggedCall& call : volume_.Log()) {
        lines.push_back(call.Text());
    }
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "CreateFileW(\\a.txt, 0xc0000000, 0x1, 3, 0x2) = h1",
                         "WriteFile(h1, 5) = 1",
                         "SetFilePointer(h1, -2, 2) = 3",
                         "ReadFileWithSeek(h1, 4, 1) = 1",
                         "GetFileAttributesW(\\a.txt) = 0x20",
                         "SetFileAttributesW(\\a.txt, 0x80) = 1",
                         "DeleteFileW(\\a.txt) = 0, error 32",
                         "GetFileSize(h1) = 5",
                         "DeviceIoControl(h1, 0x90000, 16, 32) = 0, error 1",
                         "CloseFile(h1) = 1",
                         "MoveFileW(\\a.txt, \\b.txt) = 1",
                         "Notify(0x10) = 1",
                         "FindFirstFileW(\\*.zip) = -1, error 2",
                         "CreateFileW(\\TMP5, 0x40000000, 0, 1, 0x80) = h2",
                         "CloseFile(h2) = 1",
                     }));

    std::vector<LoggedCall> log = volume_.Log();
    EXPECT_EQ(log[0].entry, LowerEntry::CreateFileW);
    EXPECT_EQ(log[0].first, v_);
    EXPECT_EQ(log[0].names, std::vector<WString>{W("\\a.txt")});
    EXPECT_EQ(log[0].numbers, (std::vector<ULONGLONG>{GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, OPEN_EXISTING,
                                                      FILE_ATTRIBUTE_HIDDEN}));
    EXPECT_EQ(log[0].result, static_cast<ULONGLONG>(Word(file)));
    EXPECT_EQ(log[1].first, Word(file));
    EXPECT_EQ(log[2].numbers, (std::vector<ULONGLONG>{static_cast<ULONGLONG>(-2ll), FILE_END}));
    EXPECT_EQ(log[10].names, (std::vector<WString>{W("\\a.txt"), W("\\b.txt")}));
    EXPECT_EQ(std::string(EntryName(LowerEntry::DeleteAndRenameFileW)), "DeleteAndRenameFileW");
    EXPECT_EQ(static_cast<int>(LowerEntry::CloseFile), 29);
}

TEST_F(LogTest, TheLogRecordsOnlyWhileOnAndTheCountEveryCall) {
    lower_.GetFileAttributesW(v_, WIDE("\\"));
    volume_.EnableLog(true);
    volume_.Inject(Fault{1, false, {}, {}, ERROR_NOT_READY});
    lower_.GetFileAttributesW(v_, WIDE("\\"));  // a failed call is logged too
    lower_.GetFileAttributesW(v_, WIDE("\\"));
    volume_.EnableLog(false);
    lower_.GetFileAttributesW(v_, WIDE("\\"));
    std::vector<LoggedCall> log = volume_.Log();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].Text(), "GetFileAttributesW(\\) = 0xffffffff, error 21");
    EXPECT_EQ(log[1].Text(), "GetFileAttributesW(\\) = 0x10");
    EXPECT_EQ(volume_.CallCount(), 4u);
    volume_.ClearLog();
    EXPECT_TRUE(volume_.Log().empty());
}

}  // namespace
