// The table and its words, and the out-of-band access tests use.
#include <stdexcept>

#include "tests/memory/memory_fixture.h"

namespace {

using TableTest = MemoryVolumeTest;

TEST_F(TableTest, WordOneIsTheVolumeAndWordsThreeToTwentyNineAreEntries) {
    const DWORD_PTR* words = volume_.Hooks();
    EXPECT_EQ(words[1], volume_.VolumeWord());
    for (int word : {0, 2, 30}) {
        EXPECT_EQ(words[word], 0u) << word;
    }
    for (int word = 3; word <= 29; ++word) {
        EXPECT_NE(words[word], 0u) << word;
    }
    MemoryVolume other;
    EXPECT_NE(other.VolumeWord(), volume_.VolumeWord());
}

TEST_F(TableTest, HandleWordsLieAboveFourGibibytesAndFindTheirVolume) {
    MemoryVolume other;
    other.PutFile(W("\\f"), Bytes("other"));
    volume_.PutFile(W("\\f"), Bytes("mine"));
    HANDLE mine = Open(W("\\f"));
    HANDLE theirs = reinterpret_cast<const LowerHooks*>(other.Hooks())
                        ->CreateFileW(other.VolumeWord(), nullptr, WIDE("\\f"), GENERIC_READ, 0, nullptr,
                                      OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(mine, INVALID_HANDLE_VALUE);
    ASSERT_NE(theirs, INVALID_HANDLE_VALUE);
    if (sizeof(DWORD_PTR) > 4) {
        EXPECT_GT(static_cast<ULONGLONG>(Word(mine)), 0xFFFFFFFFull);
        EXPECT_GT(static_cast<ULONGLONG>(volume_.VolumeWord()), 0xFFFFFFFFull);
    }
    // Any volume's entry serves any volume's handle: the word leads to its own.
    EXPECT_EQ(Read(theirs, 10), Bytes("other"));
    EXPECT_EQ(Read(mine, 10), Bytes("mine"));
    EXPECT_EQ(other.OpenHandles(), 1u);
    EXPECT_TRUE(Close(theirs));
    EXPECT_TRUE(Close(mine));
}

TEST_F(TableTest, WordsThatAreNoOpenHandleAreRefused) {
    HANDLE file = Open(W("\\f"));
    ASSERT_TRUE(Close(file));
    for (DWORD_PTR word : {DWORD_PTR{0}, reinterpret_cast<DWORD_PTR>(INVALID_HANDLE_VALUE), Word(file)}) {
        SetLastError(0);
        DWORD size = 0;
        EXPECT_FALSE(lower_.CloseFile(word));
        EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
        EXPECT_EQ(lower_.GetFileSize(word, &size), INVALID_FILE_SIZE);
        EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    }
    // A search is no file, and a file no search.
    WIN32_FIND_DATAW data{};
    HANDLE search = lower_.FindFirstFileW(v_, nullptr, WIDE("\\*"), &data);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(lower_.CloseFile(Word(search)));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_EQ(volume_.OpenHandles(), 1u);
    EXPECT_TRUE(lower_.FindClose(Word(search)));
    EXPECT_EQ(volume_.OpenHandles(), 0u);
}

TEST_F(TableTest, PutMakesDirectoriesOnTheWayAndTheQueriesSeeWhatIsThere) {
    volume_.PutFile(W("\\a\\b\\c.txt"), Bytes("deep"), FILE_ATTRIBUTE_HIDDEN);
    volume_.PutDirectory(W("\\a\\empty"));
    volume_.PutDirectory(W("\\a"));  // already there
    volume_.PutFile(W("\\a\\Z"), {});
    EXPECT_EQ(volume_.Files(W("\\a")), (std::vector<WString>{W("\\a\\b"), W("\\a\\empty"), W("\\a\\Z")}));
    EXPECT_EQ(volume_.Files(), std::vector<WString>{W("\\a")});
    EXPECT_TRUE(volume_.Files(W("\\nowhere")).empty());
    EXPECT_EQ(volume_.Content(W("\\A\\B\\C.TXT")), Bytes("deep"));
    EXPECT_EQ(volume_.Content(W("\\a\\b")), std::nullopt);  // a directory has no content
    EXPECT_EQ(volume_.Content(W("\\missing")), std::nullopt);
    EXPECT_EQ(volume_.Attributes(W("\\a\\b\\c.txt")), FILE_ATTRIBUTE_HIDDEN);
    EXPECT_EQ(volume_.Attributes(W("\\a\\b")), FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(volume_.Attributes(W("\\missing")), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(volume_.Exists(W("\\a\\empty")));
    EXPECT_FALSE(volume_.Exists(W("\\a\\empty\\x")));

    volume_.PutFile(W("\\a\\b\\c.txt"), Bytes("replaced"));
    EXPECT_EQ(volume_.Content(W("\\a\\b\\c.txt")), Bytes("replaced"));
    EXPECT_EQ(volume_.Attributes(W("\\a\\b\\c.txt")), FILE_ATTRIBUTE_ARCHIVE);

    volume_.SetTimes(W("\\a\\Z"), FILETIME{1, 2}, FILETIME{3, 4}, FILETIME{5, 6});
    FILETIME creation{}, access{}, write{};
    ASSERT_TRUE(volume_.Times(W("\\a\\z"), &creation, &access, &write));
    EXPECT_EQ(creation.dwLowDateTime + access.dwHighDateTime + write.dwLowDateTime, 1u + 4u + 5u);
    EXPECT_FALSE(volume_.Times(W("\\a\\none"), &creation, nullptr, nullptr));
    EXPECT_EQ(volume_.CallCount(), 0u);  // out of band: no call reached the table
}

TEST_F(TableTest, PutRefusesWhatItCannotServe) {
    volume_.PutFile(W("\\file"), Bytes("x"));
    volume_.PutDirectory(W("\\dir"));
    EXPECT_THROW(volume_.PutFile(W("\\dir"), {}), std::invalid_argument);
    EXPECT_THROW(volume_.PutFile(W("\\file\\below"), {}), std::invalid_argument);
    EXPECT_THROW(volume_.PutDirectory(W("\\file")), std::invalid_argument);
    EXPECT_THROW(volume_.PutFile(W("no\\root"), {}), std::invalid_argument);
    EXPECT_THROW(volume_.PutFile(W("\\"), {}), std::invalid_argument);
    EXPECT_THROW(volume_.SetTimes(W("\\none"), {}, {}, {}), std::invalid_argument);
}

}  // namespace
