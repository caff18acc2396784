// Opening files: plain files as themselves, packed files through a working
// copy in the volume root, and the faults the open must not pass on.
#include "filter/packed/packed_format.h"
#include "tests/filter/filter_fixture.h"
#include "tests/support/sample_content.h"

namespace {

using OpenTest = FilterTest;

std::vector<LoggedCall> CreateCalls(const std::vector<LoggedCall>& log) {
    std::vector<LoggedCall> opens;
    for (const LoggedCall& call : log) {
        if (call.entry == LowerEntry::CreateFileW) {
            opens.push_back(call);
        }
    }
    return opens;
}

TEST_F(OpenTest, APlainFileIsProbedThenOpenedWithTheCallersParameters) {
    lower_.PutFile(W("\\doc.txt"), Bytes("plain text"));
    lower_.EnableLog(true);
    HANDLE file = MRV_CreateFileW(filter_, process_, WIDE("\\doc.txt"), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_HIDDEN, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    std::vector<LoggedCall> opens = CreateCalls(lower_.Log());
    ASSERT_EQ(opens.size(), 2u);
    // Probe: read access, exclusive, existing only. Final: the caller's own.
    EXPECT_EQ(opens[0].names, std::vector<WString>{W("\\doc.txt")});
    EXPECT_EQ(opens[0].numbers, (std::vector<ULONGLONG>{GENERIC_READ, 0, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL}));
    EXPECT_EQ(opens[1].names, std::vector<WString>{W("\\doc.txt")});
    EXPECT_EQ(opens[1].numbers,
              (std::vector<ULONGLONG>{GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, FILE_ATTRIBUTE_HIDDEN}));
    EXPECT_EQ(Record(file)->workName[0], 0);
    EXPECT_EQ(Record(file)->lowerHandle, opens[1].result);
    EXPECT_EQ(Record(file)->process, reinterpret_cast<DWORD_PTR>(process_));
    EXPECT_EQ(Record(file)->disk, 0xD15Cu);
    EXPECT_EQ(ReadRest(file), Bytes("plain text"));
    EXPECT_TRUE(Close(file));
}

TEST_F(OpenTest, APackedFileOpensAsAWorkingCopyWithItsTimesAndAttributes) {
    const std::vector<BYTE> content = SampleText(50000);
    lower_.PutFile(W("\\dir\\book.txt"), {});  // needs its directory
    lower_.PutDirectory(W("\\dir"));
    lower_.PutFile(W("\\dir\\book.txt"), PackedImage(content), FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN);
    lower_.SetTimes(W("\\dir\\book.txt"), FILETIME{11, 1}, FILETIME{22, 2}, FILETIME{33, 3});
    lower_.EnableLog(true);
    HANDLE file = MRV_CreateFileW(filter_, process_, WIDE("\\dir\\book.txt"), GENERIC_READ | GENERIC_WRITE, 0,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);

    std::vector<LoggedCall> opens = CreateCalls(lower_.Log());
    ASSERT_EQ(opens.size(), 3u);
    const WString work = Record(file)->workName;
    EXPECT_EQ(work.compare(0, 4, WIDE("\\TMP")), 0);  // in the volume root, whatever the stored file's directory
    EXPECT_EQ(opens[1].names, std::vector<WString>{work});
    EXPECT_EQ(opens[1].numbers, (std::vector<ULONGLONG>{GENERIC_WRITE, 0, CREATE_NEW, FILE_ATTRIBUTE_NORMAL}));
    EXPECT_EQ(opens[2].names, std::vector<WString>{work});
    EXPECT_EQ(opens[2].numbers,
              (std::vector<ULONGLONG>{GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL}));
    EXPECT_EQ(WString(Record(file)->path), W("\\dir\\book.txt"));

    EXPECT_EQ(TemporaryFiles(), std::vector<WString>{work});
    EXPECT_EQ(lower_.Attributes(work), FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN);
    FILETIME creation, access, write;
    ASSERT_TRUE(MRV_GetFileTime(Word(file), &creation, &access, &write));
    EXPECT_EQ(creation.dwLowDateTime, 11u);
    EXPECT_EQ(access.dwLowDateTime, 22u);
    EXPECT_EQ(write.dwLowDateTime, 33u);

    // Through the handle: the unpacked size and content. By name: the stored file.
    EXPECT_EQ(MRV_GetFileSize(Word(file), nullptr), content.size());
    EXPECT_EQ(ReadRest(file), content);
    WIN32_FIND_DATAW data{};
    HANDLE search = MRV_FindFirstFileW(filter_, process_, WIDE("\\dir\\book.txt"), &data);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    EXPECT_EQ(data.nFileSizeLow, PackedImage(content).size());
    MRV_FindClose(Word(search));

    EXPECT_TRUE(Close(file));
    EXPECT_TRUE(TemporaryFiles().empty());
    EXPECT_EQ(lower_.Content(W("\\dir\\book.txt")), PackedImage(content));  // read only: untouched
}

TEST_F(OpenTest, MissingFilesFollowTheCallersDisposition) {
    struct Case {
        DWORD creation;
        bool opens;
    } cases[] = {{OPEN_EXISTING, false}, {TRUNCATE_EXISTING, false}, {OPEN_ALWAYS, true}, {CREATE_NEW, true},
                 {CREATE_ALWAYS, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.creation);
        HANDLE file = Open(W("\\new.txt"), GENERIC_READ | GENERIC_WRITE, 0, c.creation);
        if (!c.opens) {
            EXPECT_EQ(file, INVALID_HANDLE_VALUE);
            EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
            continue;
        }
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        EXPECT_EQ(Record(file)->workName[0], 0);
        Close(file);
        EXPECT_TRUE(lower_.Exists(W("\\new.txt")));
        lower_.Restart();
        MRV_DeleteFileW(filter_, WIDE("\\new.txt"));
    }
    EXPECT_EQ(lower_.OpenHandles(), 0u);
}

TEST_F(OpenTest, CreateNewOnAPackedFileFailsAndLeavesNoWorkingCopy) {
    lower_.PutFile(W("\\p"), PackedImage(Bytes("content")));
    HANDLE file = Open(W("\\p"), GENERIC_WRITE, 0, CREATE_NEW);
    EXPECT_EQ(file, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_EXISTS);  // the final open's error, not the clean-up's
    EXPECT_TRUE(TemporaryFiles().empty());
    EXPECT_EQ(lower_.Content(W("\\p")), PackedImage(Bytes("content")));
}

TEST_F(OpenTest, TruncatingAPackedFileEmptiesOnlyTheWorkingCopy) {
    for (DWORD creation : {CREATE_ALWAYS, TRUNCATE_EXISTING}) {
        lower_.PutFile(W("\\p"), PackedImage(Bytes("content")));
        HANDLE file = Open(W("\\p"), GENERIC_READ | GENERIC_WRITE, 0, creation);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        EXPECT_EQ(MRV_GetFileSize(Word(file), nullptr), 0u);
        EXPECT_TRUE(Close(file));  // nothing written: the stored file keeps its content
        EXPECT_EQ(lower_.Content(W("\\p")), PackedImage(Bytes("content")));
        EXPECT_TRUE(TemporaryFiles().empty());
    }
}

TEST_F(OpenTest, ShortAndMagicOnlyFilesArePlain) {
    const std::vector<std::vector<BYTE>> contents = {
        {}, {0x24}, {0x24, 0xA1}, {0x24, 0xA1, 1, 2, 3},  // shorter than the 6-byte header
    };
    for (const std::vector<BYTE>& content : contents) {
        lower_.PutFile(W("\\s"), content);
        EXPECT_EQ(Load(W("\\s")), content) << content.size();
        EXPECT_TRUE(TemporaryFiles().empty());
    }
}

TEST_F(OpenTest, APlainFileThatBeginsWithTheMagicIsTakenForPacked) {
    lower_.PutFile(W("\\odd.txt"), Bytes("$\xA1 is not a zlib stream at all"));
    EXPECT_EQ(Open(W("\\odd.txt")), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_CORRUPT);
    EXPECT_TRUE(TemporaryFiles().empty());
    EXPECT_EQ(lower_.Content(W("\\odd.txt")), Bytes("$\xA1 is not a zlib stream at all"));
}

TEST_F(OpenTest, DamagedPackedFilesFailTheOpenAndTouchNothing) {
    const std::vector<BYTE> content = SampleText(30000);
    const std::vector<BYTE> image = PackedImage(content);
    auto withLength = [&](DWORD stated) {
        std::vector<BYTE> changed = image;
        EncodeUnpackedLength(stated, changed.data() + 2);
        return changed;
    };
    std::vector<BYTE> flipped = image;
    flipped[image.size() / 2] ^= 0x40;
    std::vector<BYTE> cut(image.begin(), image.begin() + static_cast<long>(image.size() - 10));
    std::vector<BYTE> trailing = image;
    trailing.push_back(0);
    struct Case {
        const char* what;
        std::vector<BYTE> stored;
        DWORD error;
    } cases[] = {
        {"damaged stream", flipped, ERROR_FILE_CORRUPT},
        {"cut short", cut, ERROR_FILE_CORRUPT},
        {"holds more than stated", withLength(29999), ERROR_FILE_CORRUPT},
        {"claims more than deflate can expand to", withLength(0xFFFFFFF0u), ERROR_FILE_CORRUPT},
        {"header only", withLength(5), ERROR_FILE_CORRUPT},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        lower_.PutFile(W("\\bad"), c.stored);
        EXPECT_EQ(Open(W("\\bad"), GENERIC_READ, 0, OPEN_EXISTING), INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), c.error);
        EXPECT_TRUE(TemporaryFiles().empty());
        EXPECT_EQ(lower_.Content(W("\\bad")), c.stored);
        EXPECT_EQ(lower_.OpenHandles(), 0u);
    }
}

TEST_F(OpenTest, AStreamShorterThanItsHeaderGivesTheBytesProduced) {
    std::vector<BYTE> image = PackedImage(Bytes("twelve bytes"));
    EncodeUnpackedLength(1000, image.data() + 2);
    lower_.PutFile(W("\\short"), image);
    EXPECT_EQ(Load(W("\\short")), Bytes("twelve bytes"));
}

TEST_F(OpenTest, AnEmptyPackedFileGivesAnEmptyWorkingCopy) {
    lower_.PutFile(W("\\empty"), PackedImage({}));
    HANDLE file = Open(W("\\empty"), GENERIC_READ, 0, OPEN_EXISTING);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_NE(Record(file)->workName[0], 0);
    EXPECT_EQ(MRV_GetFileSize(Word(file), nullptr), 0u);
    Close(file);
}

TEST_F(OpenTest, NamesThatDoNotFitTheRecordAreRefused) {
    WString longest(254, 'a');
    longest[0] = '\\';
    lower_.PutFile(longest, Bytes("fits"));
    EXPECT_EQ(Load(longest), Bytes("fits"));
    lower_.EnableLog(true);
    EXPECT_EQ(Open(longest + W("b")), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILENAME_EXCED_RANGE);
    EXPECT_TRUE(lower_.Log().empty());  // nothing reached the lower layer
}

TEST_F(OpenTest, ARefusedProbeCountsAsPlainAndTheFinalOpenDecides) {
    lower_.PutFile(W("\\held"), PackedImage(Bytes("packed")));
    // Another handle holds the stored file (an open through the lower layer):
    // the probe is refused, and so is the final open.
    HANDLE holder = reinterpret_cast<const LowerHooks*>(lower_.Hooks())
                        ->CreateFileW(lower_.VolumeWord(), nullptr, WIDE("\\held"), GENERIC_READ, 0, nullptr,
                                      OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    EXPECT_EQ(Open(W("\\held"), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    reinterpret_cast<const LowerHooks*>(lower_.Hooks())->CloseFile(reinterpret_cast<DWORD_PTR>(holder));
}

TEST_F(OpenTest, TwoHandlesOnOnePackedFileHaveTwoWorkingCopies) {
    lower_.PutFile(W("\\shared"), PackedImage(Bytes("original")));
    HANDLE first = Open(W("\\shared"));
    HANDLE second = Open(W("\\shared"));
    ASSERT_NE(first, INVALID_HANDLE_VALUE);
    ASSERT_NE(second, INVALID_HANDLE_VALUE);
    EXPECT_NE(WString(Record(first)->workName), WString(Record(second)->workName));
    EXPECT_EQ(TemporaryFiles().size(), 2u);
    Write(first, Bytes("FIRST"));
    EXPECT_EQ(ReadRest(second), Bytes("original"));  // not seen through the other
    Close(first);
    Close(second);
}

TEST_F(OpenTest, AReadOnlyPackedFileOpensForReadingOnly) {
    lower_.PutFile(W("\\ro"), PackedImage(Bytes("locked")), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(Open(W("\\ro"), GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(TemporaryFiles().empty());  // the read-only working copy was deleted all the same
    EXPECT_EQ(Load(W("\\ro")), Bytes("locked"));
    EXPECT_TRUE(TemporaryFiles().empty());
}

TEST_F(OpenTest, AWorkingCopyThatCannotBeMadeWholeFailsTheOpen) {
    const std::vector<BYTE> content = SampleText(10000);
    const std::vector<BYTE> image = PackedImage(content);
    const LowerFailure cases[] = {
        {"creating it fails", Fault{2, false, {LowerEntry::CreateFileW}, {}, ERROR_DISK_FULL}, 0, 0},
        {"writing it fails", Fault{1, false, {LowerEntry::WriteFile}, {}, ERROR_DISK_FULL}, 0, 0},
        {"closing it fails", Fault{2, false, {LowerEntry::CloseFile}, {}, ERROR_DISK_FULL}, 0, 0},
        {"the size query fails", Fault{1, false, {LowerEntry::GetFileSize}, {}, ERROR_GEN_FAILURE}, 0, 0},
        {"reading the header fails", Fault{2, false, {LowerEntry::ReadFile}, {}, ERROR_GEN_FAILURE}, 0, 0},
        {"reading the stream fails", Fault{3, false, {LowerEntry::ReadFile}, {}, ERROR_GEN_FAILURE}, 0, 0},
        {"reads come up short", Fault{0}, 3, 0},
        {"the write comes up short", Fault{0}, 0, 100},
    };
    for (const LowerFailure& c : cases) {
        SCOPED_TRACE(c.what);
        lower_.PutFile(W("\\p"), image);
        Arm(c);
        EXPECT_EQ(Open(W("\\p"), GENERIC_READ, 0, OPEN_EXISTING), INVALID_HANDLE_VALUE);
        Disarm();
        EXPECT_TRUE(TemporaryFiles().empty());
        EXPECT_EQ(lower_.Content(W("\\p")), image);
        EXPECT_EQ(lower_.OpenHandles(), 0u);
    }
}

}  // namespace
