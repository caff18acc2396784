// Searches: patterns, the find data, and the ends of a search.
#include <set>

#include "tests/hostdir/hostdir_fixture.h"
#include "platform/last_error.h"

namespace {

class FindTest : public HostDirTest {
protected:
    FindTest() {
        WriteHost("root/Alpha.TXT", "12345");
        WriteHost("root/beta.txt", "");
        WriteHost("root/gamma.bin", "xy");
        WriteHost("root/noext", "");
        fs::create_directories(root_ / "Sub");
        WriteHost("root/Sub/inner.txt", "inner");
    }

    // The names a search reports, or the error that ended it without any.
    std::set<std::string> Find(const char* pattern, DWORD* error = nullptr) {
        std::set<std::string> names;
        WIN32_FIND_DATAW data;
        HANDLE search = lower().FindFirstFileW(V(), process_, W(pattern).c_str(), &data);
        if (search == INVALID_HANDLE_VALUE) {
            if (error != nullptr) {
                *error = GetLastError();
            }
            return names;
        }
        do {
            names.insert(ToUtf8(data.cFileName, std::char_traits<WCHAR>::length(data.cFileName)));
        } while (lower().FindNextFileW(Word(search), &data));
        EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
        EXPECT_TRUE(lower().FindClose(Word(search)));
        return names;
    }
};

TEST_F(FindTest, PatternsMatchWithoutRegardToCaseAndReturnTheHostsSpelling) {
    struct Case {
        const char* pattern;
        std::set<std::string> names;
    } cases[] = {
        {"\\*", {"Alpha.TXT", "beta.txt", "gamma.bin", "noext", "Sub"}},
        {"\\*.*", {"Alpha.TXT", "beta.txt", "gamma.bin", "noext", "Sub"}},
        {"\\*.txt", {"Alpha.TXT", "beta.txt"}},
        {"\\ALPHA.txt", {"Alpha.TXT"}},
        {"\\?amma.*", {"gamma.bin"}},
        {"\\*e*", {"beta.txt", "noext"}},
        {"\\sub", {"Sub"}},
        {"\\Sub\\*", {"inner.txt"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Find(c.pattern), c.names) << c.pattern;
    }
}

TEST_F(FindTest, FindDataDescribesTheEntry) {
    WIN32_FIND_DATAW data;
    HANDLE search = lower().FindFirstFileW(V(), process_, W("\\alpha.txt").c_str(), &data);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    EXPECT_EQ(WString(data.cFileName), W("Alpha.TXT"));
    EXPECT_EQ(data.nFileSizeLow, 5u);
    EXPECT_EQ(data.nFileSizeHigh, 0u);
    EXPECT_EQ(data.dwFileAttributes, FILE_ATTRIBUTE_ARCHIVE);
    EXPECT_NE(data.ftLastWriteTime.dwHighDateTime, 0u);
    EXPECT_FALSE(lower().FindNextFileW(Word(search), &data));
    EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
    EXPECT_TRUE(lower().FindClose(Word(search)));
    search = lower().FindFirstFileW(V(), process_, W("\\S*").c_str(), &data);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    EXPECT_EQ(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY, FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_TRUE(lower().FindClose(Word(search)));
}

TEST_F(FindTest, SearchesThatFindNothing) {
    struct Case {
        const char* pattern;
        DWORD error;
    } cases[] = {
        {"\\*.none", ERROR_FILE_NOT_FOUND},
        {"\\Sub\\*.bin", ERROR_FILE_NOT_FOUND},
        {"\\missing\\*", ERROR_PATH_NOT_FOUND},
        {"\\noext\\*", ERROR_PATH_NOT_FOUND},
        {"\\", ERROR_FILE_NOT_FOUND},
    };
    for (const Case& c : cases) {
        DWORD error = 0;
        EXPECT_TRUE(Find(c.pattern, &error).empty()) << c.pattern;
        EXPECT_EQ(error, c.error) << c.pattern;
    }
}

TEST_F(FindTest, AnEmptyDirectoryListsNothingNotEvenItsDots) {
    fs::create_directories(root_ / "empty");
    DWORD error = 0;
    EXPECT_TRUE(Find("\\empty\\*", &error).empty());
    EXPECT_EQ(error, ERROR_FILE_NOT_FOUND);
}

}  // namespace
