// Calls by name: directories, attributes, deletes, moves and searches.
#include "tests/memory/memory_fixture.h"

namespace {

using NamespaceTest = MemoryVolumeTest;

TEST_F(NamespaceTest, DirectoriesAreMadeAndRemovedOnlyWhenEmpty) {
    volume_.PutFile(W("\\file"), Bytes("f"));
    EXPECT_TRUE(lower_.CreateDirectoryW(v_, WIDE("\\d"), nullptr));
    EXPECT_TRUE(lower_.CreateDirectoryW(v_, WIDE("\\d\\e"), nullptr));
    struct Case {
        const char* name;
        DWORD error;
    } creates[] = {
        {"\\d", ERROR_ALREADY_EXISTS},
        {"\\D", ERROR_ALREADY_EXISTS},
        {"\\file", ERROR_ALREADY_EXISTS},
        {"\\", ERROR_ALREADY_EXISTS},
        {"\\none\\e", ERROR_PATH_NOT_FOUND},
        {"\\bad|name", ERROR_INVALID_NAME},
    };
    for (const Case& c : creates) {
        EXPECT_FALSE(lower_.CreateDirectoryW(v_, W(c.name).c_str(), nullptr)) << c.name;
        EXPECT_EQ(GetLastError(), c.error) << c.name;
    }
    Case removes[] = {
        {"\\d", ERROR_DIR_NOT_EMPTY},
        {"\\none", ERROR_FILE_NOT_FOUND},
        {"\\file", ERROR_DIRECTORY},
        {"\\", ERROR_ACCESS_DENIED},
    };
    for (const Case& c : removes) {
        EXPECT_FALSE(lower_.RemoveDirectoryW(v_, W(c.name).c_str())) << c.name;
        EXPECT_EQ(GetLastError(), c.error) << c.name;
    }
    EXPECT_EQ(lower_.GetFileAttributesW(v_, WIDE("\\d\\e")), FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_FALSE(lower_.DeleteFileW(v_, WIDE("\\d\\e")));  // no file
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(lower_.RemoveDirectoryW(v_, WIDE("\\d\\E")));
    EXPECT_TRUE(lower_.RemoveDirectoryW(v_, WIDE("\\d")));
    EXPECT_EQ(volume_.Files(), std::vector<WString>{W("\\file")});
}

TEST_F(NamespaceTest, AttributesByName) {
    volume_.PutFile(W("\\f"), Bytes("f"));
    volume_.PutDirectory(W("\\d"));
    struct Case {
        const char* name;
        DWORD set;
        DWORD after;
    } cases[] = {
        {"\\f", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY},
        {"\\f", FILE_ATTRIBUTE_NORMAL, 0},
        {"\\f", FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_ARCHIVE, FILE_ATTRIBUTE_ARCHIVE},  // a file stays a file
        {"\\d", FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(lower_.SetFileAttributesW(v_, W(c.name).c_str(), c.set));
        EXPECT_EQ(lower_.GetFileAttributesW(v_, W(c.name).c_str()), c.after) << std::hex << c.set;
    }
    SetLastError(0);
    EXPECT_EQ(lower_.GetFileAttributesW(v_, WIDE("\\none")), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(lower_.GetFileAttributesW(v_, WIDE("\\none\\f")), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_FALSE(lower_.SetFileAttributesW(v_, WIDE("\\none"), 0));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

TEST_F(NamespaceTest, MovesRenameFilesAndDirectoriesWithinTheVolume) {
    volume_.PutFile(W("\\a.txt"), Bytes("a"));
    volume_.PutFile(W("\\taken"), Bytes("t"));
    volume_.PutFile(W("\\dir\\inner"), Bytes("i"));
    volume_.SetTimes(W("\\a.txt"), FILETIME{7, 7}, FILETIME{8, 8}, FILETIME{9, 9});
    EXPECT_TRUE(lower_.MoveFileW(v_, WIDE("\\a.txt"), WIDE("\\dir\\b.txt")));
    EXPECT_EQ(volume_.Content(W("\\dir\\b.txt")), Bytes("a"));
    FILETIME write{};
    ASSERT_TRUE(volume_.Times(W("\\dir\\b.txt"), nullptr, nullptr, &write));
    EXPECT_EQ(write.dwLowDateTime, 9u);  // a move keeps the times
    EXPECT_TRUE(lower_.MoveFileW(v_, WIDE("\\dir"), WIDE("\\moved")));
    EXPECT_EQ(volume_.Files(W("\\moved")), (std::vector<WString>{W("\\moved\\b.txt"), W("\\moved\\inner")}));
    EXPECT_TRUE(lower_.MoveFileW(v_, WIDE("\\taken"), WIDE("\\TAKEN")));  // a change of case only
    EXPECT_EQ(volume_.Files(), (std::vector<WString>{W("\\moved"), W("\\TAKEN")}));

    struct Case {
        const char* from;
        const char* to;
        DWORD error;
    } cases[] = {
        {"\\none", "\\x", ERROR_FILE_NOT_FOUND},
        {"\\taken", "\\moved\\inner", ERROR_ALREADY_EXISTS},
        {"\\taken", "\\moved", ERROR_ALREADY_EXISTS},
        {"\\taken", "\\none\\x", ERROR_PATH_NOT_FOUND},
        {"\\moved", "\\moved\\sub", ERROR_ACCESS_DENIED},  // into its own tree
        {"\\", "\\root", ERROR_ACCESS_DENIED},
        {"\\taken", "\\bad*", ERROR_INVALID_NAME},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(lower_.MoveFileW(v_, W(c.from).c_str(), W(c.to).c_str())) << c.from << " to " << c.to;
        EXPECT_EQ(GetLastError(), c.error) << c.from << " to " << c.to;
    }
    EXPECT_EQ(volume_.Files(), (std::vector<WString>{W("\\moved"), W("\\TAKEN")}));
}

TEST_F(NamespaceTest, DeleteAndRenameReplacesTheDestinationWithTheSource) {
    volume_.PutFile(W("\\dest"), Bytes("old"));
    volume_.PutFile(W("\\src"), Bytes("new"), FILE_ATTRIBUTE_HIDDEN);
    volume_.PutFile(W("\\ro"), Bytes("ro"), FILE_ATTRIBUTE_READONLY);
    volume_.PutDirectory(W("\\dir"));
    struct Case {
        const char* destination;
        const char* source;
        DWORD error;
    } cases[] = {
        {"\\none", "\\src", ERROR_FILE_NOT_FOUND},
        {"\\dest", "\\none", ERROR_FILE_NOT_FOUND},
        {"\\ro", "\\src", ERROR_ACCESS_DENIED},
        {"\\dir", "\\src", ERROR_ACCESS_DENIED},
        {"\\dest", "\\dir", ERROR_ACCESS_DENIED},
        {"\\dest", "\\DEST", ERROR_ACCESS_DENIED},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(lower_.DeleteAndRenameFileW(v_, W(c.destination).c_str(), W(c.source).c_str())) << c.destination;
        EXPECT_EQ(GetLastError(), c.error) << c.destination << " from " << c.source;
    }
    ASSERT_TRUE(lower_.DeleteAndRenameFileW(v_, WIDE("\\dest"), WIDE("\\src")));
    EXPECT_EQ(volume_.Content(W("\\dest")), Bytes("new"));
    EXPECT_EQ(volume_.Attributes(W("\\dest")), FILE_ATTRIBUTE_HIDDEN);
    EXPECT_FALSE(volume_.Exists(W("\\src")));
}

TEST_F(NamespaceTest, SearchesMatchTheLastComponentWithStarAndQuestionMark) {
    volume_.PutFile(W("\\a.txt"), Bytes("a"));
    volume_.PutFile(W("\\B.TXT"), Bytes("bb"));
    volume_.PutFile(W("\\c.doc"), Bytes("ccc"));
    volume_.PutFile(W("\\readme"), Bytes("r"));
    volume_.PutFile(W("\\dir\\x.txt"), Bytes("x"));
    using Names = std::vector<std::string>;
    struct Case {
        const char* pattern;
        Names names;
        DWORD error;  // when nothing is found
    } cases[] = {
        {"\\*", {"a.txt", "B.TXT", "c.doc", "dir", "readme"}, 0},
        {"\\*.txt", {"a.txt", "B.TXT"}, 0},
        {"\\?.???", {"a.txt", "B.TXT", "c.doc"}, 0},
        {"\\*.*", {"a.txt", "B.TXT", "c.doc", "dir", "readme"}, 0},  // also the names without a dot
        {"\\READ*", {"readme"}, 0},
        {"\\*e", {"readme"}, 0},
        {"\\*d*", {"c.doc", "dir", "readme"}, 0},
        {"\\b.txt", {"B.TXT"}, 0},
        {"\\dir\\*", {"x.txt"}, 0},
        {"/DIR/*.TXT", {"x.txt"}, 0},
        {"\\??", {}, ERROR_FILE_NOT_FOUND},
        {"\\*.zip", {}, ERROR_FILE_NOT_FOUND},
        {"\\", {}, ERROR_FILE_NOT_FOUND},
        {"\\none\\*", {}, ERROR_PATH_NOT_FOUND},
        {"\\a*\\*", {}, ERROR_INVALID_NAME},  // wildcards only in the last component
    };
    for (const Case& c : cases) {
        DWORD error = 0;
        EXPECT_EQ(Search(W(c.pattern), &error), c.names) << c.pattern;
        EXPECT_EQ(error, c.names.empty() ? c.error : ERROR_NO_MORE_FILES) << c.pattern;
    }
    EXPECT_EQ(volume_.OpenHandles(), 0u);
}

TEST_F(NamespaceTest, FindDataCarriesWhatTheDirectoryEntryHolds) {
    volume_.PutFile(W("\\dir\\Data.bin"), std::vector<BYTE>(1234, 7), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);
    volume_.SetTimes(W("\\dir\\Data.bin"), FILETIME{1, 10}, FILETIME{2, 20}, FILETIME{3, 30});
    WIN32_FIND_DATAW data{};
    HANDLE search = lower_.FindFirstFileW(v_, nullptr, WIDE("\\dir\\*"), &data);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    EXPECT_EQ(data.dwFileAttributes, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);
    EXPECT_EQ(data.nFileSizeLow, 1234u);
    EXPECT_EQ(data.nFileSizeHigh, 0u);
    EXPECT_EQ(data.ftCreationTime.dwHighDateTime, 10u);
    EXPECT_EQ(data.ftLastAccessTime.dwHighDateTime, 20u);
    EXPECT_EQ(data.ftLastWriteTime.dwHighDateTime, 30u);
    EXPECT_EQ(WString(data.cFileName), W("Data.bin"));  // the last component only
    // The search lists what was there when it began.
    volume_.PutFile(W("\\dir\\later"), {});
    EXPECT_FALSE(lower_.FindNextFileW(Word(search), &data));
    EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
    EXPECT_FALSE(lower_.FindNextFileW(Word(search), &data));
    EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
    EXPECT_TRUE(lower_.FindClose(Word(search)));
    EXPECT_FALSE(lower_.FindClose(Word(search)));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

}  // namespace
