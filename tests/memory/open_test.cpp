// Opening files: dispositions, names, share modes and read-only files.
#include "tests/memory/memory_fixture.h"

namespace {

using OpenTest = MemoryVolumeTest;

constexpr DWORD kUntouched = 0xE0E0;  // a last error no call sets
constexpr DWORD kRW = GENERIC_READ | GENERIC_WRITE;

TEST_F(OpenTest, TheFiveDispositionsOnExistingAndMissingFiles) {
    struct Case {
        DWORD creation;
        bool exists;
        DWORD access;
        DWORD error;      // 0: the open succeeds
        DWORD lastError;  // after a success
        const char* content;
    } cases[] = {
        {CREATE_NEW, false, kRW, 0, kUntouched, ""},
        {CREATE_NEW, true, kRW, ERROR_FILE_EXISTS, 0, "old"},
        {CREATE_ALWAYS, false, kRW, 0, NO_ERROR, ""},
        {CREATE_ALWAYS, true, kRW, 0, ERROR_ALREADY_EXISTS, ""},
        {OPEN_EXISTING, false, kRW, ERROR_FILE_NOT_FOUND, 0, nullptr},
        {OPEN_EXISTING, true, GENERIC_READ, 0, kUntouched, "old"},
        {OPEN_ALWAYS, false, kRW, 0, NO_ERROR, ""},
        {OPEN_ALWAYS, true, kRW, 0, ERROR_ALREADY_EXISTS, "old"},
        {TRUNCATE_EXISTING, false, kRW, ERROR_FILE_NOT_FOUND, 0, nullptr},
        {TRUNCATE_EXISTING, true, GENERIC_WRITE, 0, kUntouched, ""},
        {TRUNCATE_EXISTING, true, GENERIC_READ, ERROR_ACCESS_DENIED, 0, "old"},
        {0, true, kRW, ERROR_INVALID_PARAMETER, 0, "old"},
        {6, false, kRW, ERROR_INVALID_PARAMETER, 0, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.creation) + (c.exists ? " on an existing file" : " on a missing file"));
        if (c.exists) {
            volume_.PutFile(W("\\f"), Bytes("old"));
        }
        SetLastError(kUntouched);
        HANDLE file = Open(W("\\f"), c.access, 0, c.creation);
        if (c.error != 0) {
            EXPECT_EQ(file, INVALID_HANDLE_VALUE);
            EXPECT_EQ(GetLastError(), c.error);
        } else {
            ASSERT_NE(file, INVALID_HANDLE_VALUE);
            EXPECT_EQ(GetLastError(), c.lastError);
            EXPECT_TRUE(Close(file));
        }
        if (c.content) {
            EXPECT_EQ(volume_.Content(W("\\f")), Bytes(c.content));
        } else {
            EXPECT_FALSE(volume_.Exists(W("\\f")));
        }
        lower_.SetFileAttributesW(v_, WIDE("\\f"), FILE_ATTRIBUTE_NORMAL);
        lower_.DeleteFileW(v_, WIDE("\\f"));
    }
    EXPECT_EQ(volume_.OpenHandles(), 0u);
}

TEST_F(OpenTest, NewFilesTakeTheAttributeBitsAndArchive) {
    struct Case {
        DWORD flags;
        DWORD attributes;
    } cases[] = {
        {FILE_ATTRIBUTE_NORMAL, FILE_ATTRIBUTE_ARCHIVE},
        {0, FILE_ATTRIBUTE_ARCHIVE},
        {FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE},
        {0x80000000u | FILE_ATTRIBUTE_SYSTEM, FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE},  // a flag bit is no attribute
    };
    int n = 0;
    for (const Case& c : cases) {
        WString name = W("\\new") + ToUtf16(std::to_string(n++));
        HANDLE file = Open(name, GENERIC_WRITE, 0, CREATE_NEW, c.flags);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        EXPECT_TRUE(Write(file, Bytes("a new read-only file is still writable through its creating handle")));
        EXPECT_TRUE(Close(file));
        EXPECT_EQ(lower_.GetFileAttributesW(v_, name.c_str()), c.attributes) << c.flags;
    }
    EXPECT_EQ(lower_.GetFileAttributesW(v_, WIDE("\\")), FILE_ATTRIBUTE_DIRECTORY);
}

TEST_F(OpenTest, NamesAreCheckedAndMatchedWithoutCase) {
    volume_.PutFile(W("\\file"), Bytes("f"));
    volume_.PutDirectory(W("\\dir"));
    struct Case {
        const char* name;
        DWORD error;
    } cases[] = {
        {"", ERROR_INVALID_NAME},
        {"relative", ERROR_INVALID_NAME},
        {"\\a\\\\b", ERROR_INVALID_NAME},
        {"\\trailing\\", ERROR_INVALID_NAME},
        {"\\.", ERROR_INVALID_NAME},
        {"\\dir\\..\\file", ERROR_INVALID_NAME},
        {"\\a<b", ERROR_INVALID_NAME},
        {"\\a>b", ERROR_INVALID_NAME},
        {"\\a:b", ERROR_INVALID_NAME},
        {"\\a\"b", ERROR_INVALID_NAME},
        {"\\a|b", ERROR_INVALID_NAME},
        {"\\a?b", ERROR_INVALID_NAME},
        {"\\a*", ERROR_INVALID_NAME},
        {"\\tab\there", ERROR_INVALID_NAME},
        {"\\missing\\f", ERROR_PATH_NOT_FOUND},
        {"\\file\\f", ERROR_PATH_NOT_FOUND},
        {"\\dir", ERROR_ACCESS_DENIED},
        {"\\", ERROR_ACCESS_DENIED},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Open(W(c.name)), INVALID_HANDLE_VALUE) << c.name;
        EXPECT_EQ(GetLastError(), c.error) << c.name;
    }
    WString longest = W("\\") + WString(255, 'n');
    EXPECT_EQ(Open(longest + W("n")), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILENAME_EXCED_RANGE);
    HANDLE file = Open(longest);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    Close(file);
    EXPECT_EQ(volume_.OpenHandles(), 0u);

    volume_.PutFile(W("\\Dir\\\u00C9mile.TXT"), Bytes("folded"));
    HANDLE folded = Open(W("/dIR/\u00E9MILE.txt"), GENERIC_READ, 0, OPEN_EXISTING);
    ASSERT_NE(folded, INVALID_HANDLE_VALUE);
    EXPECT_EQ(Read(folded, 10), Bytes("folded"));
    Close(folded);
    EXPECT_EQ(volume_.Files(W("\\dir")), std::vector<WString>{W("\\dir\\\u00C9mile.TXT")});  // the name as created
}

TEST_F(OpenTest, ShareModesConflictBothWays) {
    const DWORD R = GENERIC_READ, Wr = GENERIC_WRITE, SR = FILE_SHARE_READ, SW = FILE_SHARE_WRITE;
    struct Case {
        DWORD heldAccess, heldShare, access, share;
        bool admitted;
    } cases[] = {
        {R, 0, R, SR | SW, false},          // share mode 0 is exclusive
        {R, SR, R, SR, true},
        {R, SR, Wr, SR | SW, false},         // the holder does not share writing
        {R, SR | SW, Wr, SR | SW, true},
        {R, SR | SW, Wr, SW, false},         // the newcomer does not share reading
        {Wr, SR, R, SR, false},              // nor writing, while the holder writes
        {Wr, SR, R, SR | SW, true},
        {R | Wr, SR | SW, R | Wr, SR | SW, true},
        {0, 0, R | Wr, 0, true},             // neither reading nor writing takes no part
        {R | Wr, 0, 0, 0, true},
    };
    volume_.PutFile(W("\\s"), Bytes("shared"));
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << std::hex << c.heldAccess << "/" << c.heldShare << " then "
                                          << c.access << "/" << c.share);
        HANDLE held = Open(W("\\s"), c.heldAccess, c.heldShare, OPEN_EXISTING);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
        HANDLE second = Open(W("\\S"), c.access, c.share, OPEN_EXISTING);
        EXPECT_EQ(second != INVALID_HANDLE_VALUE, c.admitted);
        if (second != INVALID_HANDLE_VALUE) {
            Close(second);
        } else {
            EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
        }
        Close(held);
        second = Open(W("\\s"), c.access, c.share, OPEN_EXISTING);  // free again once the holder is gone
        EXPECT_NE(second, INVALID_HANDLE_VALUE);
        Close(second);
    }
}

TEST_F(OpenTest, AnOpenFileCannotBeDeletedMovedOrReplaced) {
    volume_.PutFile(W("\\open"), Bytes("held"));
    volume_.PutFile(W("\\other"), Bytes("other"));
    volume_.PutDirectory(W("\\dir"));
    volume_.PutFile(W("\\dir\\inner"), Bytes("inner"));
    HANDLE open = Open(W("\\open"), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);  // even without access
    HANDLE inner = Open(W("\\dir\\inner"), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    EXPECT_FALSE(lower_.DeleteFileW(v_, WIDE("\\open")));
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    EXPECT_FALSE(lower_.MoveFileW(v_, WIDE("\\open"), WIDE("\\moved")));
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    EXPECT_FALSE(lower_.MoveFileW(v_, WIDE("\\dir"), WIDE("\\dir2")));  // a directory with an open file inside
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    EXPECT_FALSE(lower_.DeleteAndRenameFileW(v_, WIDE("\\open"), WIDE("\\other")));
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    EXPECT_FALSE(lower_.DeleteAndRenameFileW(v_, WIDE("\\other"), WIDE("\\open")));
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    Close(open);
    Close(inner);
    EXPECT_TRUE(lower_.MoveFileW(v_, WIDE("\\dir"), WIDE("\\dir2")));
    EXPECT_TRUE(lower_.DeleteFileW(v_, WIDE("\\open")));
    EXPECT_EQ(volume_.Files(), (std::vector<WString>{W("\\dir2"), W("\\other")}));
}

TEST_F(OpenTest, AReadOnlyFileRefusesWritesAndDeletionUntilTheBitIsCleared) {
    volume_.PutFile(W("\\ro"), Bytes("locked"), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
    struct Case {
        DWORD access;
        DWORD creation;
        bool admitted;
    } cases[] = {
        {GENERIC_READ, OPEN_EXISTING, true},
        {GENERIC_READ, OPEN_ALWAYS, true},
        {GENERIC_WRITE, OPEN_EXISTING, false},
        {GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS, false},
        {GENERIC_READ, CREATE_ALWAYS, false},
        {GENERIC_WRITE, TRUNCATE_EXISTING, false},
    };
    for (const Case& c : cases) {
        HANDLE file = Open(W("\\ro"), c.access, 0, c.creation);
        EXPECT_EQ(file != INVALID_HANDLE_VALUE, c.admitted) << std::hex << c.access << " " << c.creation;
        if (file != INVALID_HANDLE_VALUE) {
            Close(file);
        } else {
            EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
        }
    }
    EXPECT_FALSE(lower_.DeleteFileW(v_, WIDE("\\ro")));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(volume_.Content(W("\\ro")), Bytes("locked"));
    EXPECT_TRUE(lower_.MoveFileW(v_, WIDE("\\ro"), WIDE("\\still-ro")));  // renaming is no write
    EXPECT_TRUE(lower_.SetFileAttributesW(v_, WIDE("\\still-ro"), FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_EQ(volume_.Attributes(W("\\still-ro")), FILE_ATTRIBUTE_ARCHIVE);
    EXPECT_TRUE(lower_.DeleteFileW(v_, WIDE("\\still-ro")));
}

}  // namespace
