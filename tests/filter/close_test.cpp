// Closing handles: every outcome of a close, the order of the replacement's
// lower calls, and what the settings decide.
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "filter/packed/packed_format.h"
#include "tests/filter/filter_fixture.h"
#include "tests/support/sample_content.h"
#include "tests/support/settings_seed.h"

namespace {

using CloseTest = FilterTest;

const std::vector<BYTE> kOld = Bytes("the old content of the stored file");
const std::vector<BYTE> kNew = Bytes("NEW CONTENT written through the handle");

Fault DeleteRefused(const WString& name) {
    return Fault{1, true, {LowerEntry::DeleteFileW}, name, ERROR_ACCESS_DENIED};
}

struct Outcome {
    const char* what;
    bool packedBefore;       // the stored file is packed (a working copy is made)
    bool modify;             // the handle writes kNew over the content
    std::optional<DWORD> enable;
    DWORD level;
    bool deleteRefused;      // the lower layer refuses to delete the stored file
    bool packedAfter;
    bool newContent;         // the stored file holds kNew afterwards (else kOld)
    BOOL result;
};

TEST_F(CloseTest, EveryOutcomeOfAClose) {
    const Outcome outcomes[] = {
        {"not modified, no working copy", false, false, 1, 9, false, false, false, TRUE},
        {"not modified, working copy", true, false, 1, 9, false, true, false, TRUE},
        {"compression off, no working copy", false, true, 0, 9, false, false, true, TRUE},
        {"compression off, working copy moved in", true, true, 0, 9, false, false, true, TRUE},
        {"compression off, stored file not deletable", true, true, 0, 9, true, true, false, FALSE},
        {"packing fails, no working copy", false, true, 1, 12, false, false, true, TRUE},
        {"packing fails, working copy moved in", true, true, 1, 12, false, false, true, TRUE},
        {"packing fails, stored file not deletable", true, true, 1, 12, true, true, false, FALSE},
        {"packed, plain before", false, true, 1, 9, false, true, true, TRUE},
        {"packed, packed before", true, true, 5, 9, false, true, true, TRUE},
        {"packed, not deletable, no working copy", false, true, 1, 9, true, false, true, TRUE},
        {"packed, not deletable, working copy", true, true, 1, 9, true, true, false, FALSE},
        {"key missing: compression off", true, true, std::nullopt, 9, false, false, true, TRUE},
    };
    for (const Outcome& o : outcomes) {
        SCOPED_TRACE(o.what);
        lower_.PutFile(W("\\f.txt"), o.packedBefore ? PackedImage(kOld) : kOld);
        if (o.enable) {
            SeedSettings(*o.enable, o.level);
        } else {
            RemoveSettingsKey();
        }
        HANDLE file = Open(W("\\f.txt"), GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        if (o.modify) {
            Write(file, kNew);
        }
        if (o.deleteRefused) {
            lower_.Inject(DeleteRefused(W("\\f.txt")));
        }
        EXPECT_EQ(Close(file), o.result);
        lower_.ClearFaults();
        EXPECT_EQ(StoredPacked(W("\\f.txt")), o.packedAfter);
        // A handle on a plain file writes over the start of the old content.
        std::vector<BYTE> expected = o.newContent ? kNew : kOld;
        EXPECT_EQ(StoredContent(W("\\f.txt")), expected);
        EXPECT_TRUE(TemporaryFiles().empty());
        EXPECT_EQ(lower_.OpenHandles(), 0u);
    }
}

// The lines of the log that change what is stored, in order.
std::vector<std::string> Settling(const std::vector<LoggedCall>& log) {
    std::vector<std::string> lines;
    for (const LoggedCall& call : log) {
        if (call.entry == LowerEntry::DeleteFileW || call.entry == LowerEntry::MoveFileW ||
            call.entry == LowerEntry::FlushFileBuffers) {
            lines.push_back(EntryName(call.entry) + std::string(" ") + ToUtf8(call.names.empty() ? WString() : call.names[0]));
        }
    }
    return lines;
}

TEST_F(CloseTest, AReplacementIsFlushedThenDeleteThenMove) {
    lower_.PutFile(W("\\p"), PackedImage(kOld));
    HANDLE file = Open(W("\\p"));
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    const std::string work = ToUtf8(WString(Record(file)->workName));
    Write(file, kNew);
    lower_.EnableLog(true);
    ASSERT_TRUE(Close(file));
    std::vector<LoggedCall> log = lower_.Log();
    std::string newCopy;
    for (const LoggedCall& call : log) {
        if (call.entry == LowerEntry::MoveFileW) {
            newCopy = ToUtf8(call.names[0]);
        }
    }
    ASSERT_FALSE(newCopy.empty());
    EXPECT_NE(newCopy, work);
    EXPECT_EQ(Settling(log), (std::vector<std::string>{"FlushFileBuffers ", "FlushFileBuffers ", "DeleteFileW \\p",
                                                       "MoveFileW " + newCopy, "DeleteFileW " + work}));
    EXPECT_EQ(StoredContent(W("\\p")), kNew);
}

TEST_F(CloseTest, APlainReplacementMovesTheWorkingCopyIn) {
    SeedSettings(0, 9);
    lower_.PutFile(W("\\p"), PackedImage(kOld));
    HANDLE file = Open(W("\\p"));
    const std::string work = ToUtf8(WString(Record(file)->workName));
    Write(file, kNew);
    lower_.EnableLog(true);
    ASSERT_TRUE(Close(file));
    EXPECT_EQ(Settling(lower_.Log()),
              (std::vector<std::string>{"FlushFileBuffers ", "DeleteFileW \\p", "MoveFileW " + work}));
    EXPECT_EQ(lower_.Content(W("\\p")), kNew);
}

TEST_F(CloseTest, APackedPlainFileKeepsItsTimesAndAttributes) {
    lower_.PutFile(W("\\doc"), kOld, FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN);
    HANDLE file = Open(W("\\doc"), GENERIC_WRITE, 0, OPEN_EXISTING);
    Write(file, kNew);
    // The times the source has once the caller's handle is closed.
    FILETIME stamp{0x1000, 0x01D9};
    ASSERT_TRUE(MRV_SetFileTime(Word(file), &stamp, &stamp, &stamp));
    ASSERT_TRUE(Close(file));
    std::vector<BYTE> stored = *lower_.Content(W("\\doc"));
    ASSERT_TRUE(IsPackedMagic(stored.data(), 2));
    EXPECT_EQ(DecodeUnpackedLength(stored.data() + 2), kNew.size());
    EXPECT_EQ(lower_.Attributes(W("\\doc")), FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN);
    FILETIME creation, access, write;
    ASSERT_TRUE(lower_.Times(W("\\doc"), &creation, &access, &write));
    EXPECT_EQ(creation.dwLowDateTime, 0x1000u);
    EXPECT_EQ(access.dwHighDateTime, 0x01D9u);
    EXPECT_EQ(write.dwLowDateTime, 0x1000u);
}

TEST_F(CloseTest, PackingHasNoThreshold) {
    struct Case {
        const char* what;
        std::vector<BYTE> content;
        LONG level;
    } cases[] = {
        {"empty", {}, 9}, {"one byte", {0x41}, 1}, {"noise", SampleNoise(8192), 9}, {"stored blocks", SampleText(5000), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SeedSettings(1, static_cast<DWORD>(c.level));
        Store(W("\\x"), c.content);
        std::vector<BYTE> stored = *lower_.Content(W("\\x"));
        EXPECT_TRUE(StoredPacked(W("\\x")));
        EXPECT_EQ(stored, PackedImage(c.content, c.level));
        EXPECT_EQ(Load(W("\\x")), c.content);
    }
    SeedSettings(1, 9);
    Store(W("\\empty"), {});
    EXPECT_EQ(lower_.Content(W("\\empty"))->size(), 14u);
}

TEST_F(CloseTest, AFailedFirstCloseIsReportedUnlessPackingReplacesIt) {
    for (DWORD enable : {0u, 1u}) {
        SeedSettings(enable, 9);
        lower_.PutFile(W("\\f"), kOld);
        HANDLE file = Open(W("\\f"), GENERIC_WRITE, 0, OPEN_EXISTING);
        Write(file, kNew);
        lower_.Inject(Fault{1, false, {LowerEntry::CloseFile}, {}, ERROR_GEN_FAILURE});
        EXPECT_EQ(Close(file), enable ? TRUE : FALSE) << enable;
        lower_.ClearFaults();
        lower_.Restart();  // the handle the failed close left open
    }
}

TEST_F(CloseTest, ASettingsChangeBetweenOpenAndCloseApplies) {
    SeedSettings(0, 9);
    HANDLE file = Open(W("\\late"), GENERIC_WRITE, 0, CREATE_NEW);
    Write(file, kNew);
    SeedSettings(1, 1);
    ASSERT_TRUE(Close(file));
    EXPECT_EQ(lower_.Content(W("\\late")), PackedImage(kNew, 1));
}

TEST_F(CloseTest, TheHandleThatClosesLastWins) {
    lower_.PutFile(W("\\s"), PackedImage(kOld));
    HANDLE first = Open(W("\\s"), GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS);
    HANDLE second = Open(W("\\s"), GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS);
    Write(first, Bytes("first"));
    Write(second, Bytes("second"));
    ASSERT_TRUE(Close(second));
    ASSERT_TRUE(Close(first));
    EXPECT_EQ(StoredContent(W("\\s")), Bytes("first"));
    EXPECT_TRUE(TemporaryFiles().empty());
}

TEST_F(CloseTest, AReadOnlyPackedFileLeavesNoTemporaryFile) {
    lower_.PutFile(W("\\ro"), PackedImage(kOld), FILE_ATTRIBUTE_READONLY);
    HANDLE file = Open(W("\\ro"), GENERIC_READ, 0, OPEN_EXISTING);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(MRV_FlushFileBuffers(Word(file)));  // counts as a modification
    EXPECT_FALSE(Close(file));  // the stored file cannot be deleted
    EXPECT_EQ(lower_.Content(W("\\ro")), PackedImage(kOld));
    EXPECT_TRUE(TemporaryFiles().empty());
}

TEST_F(CloseTest, AFailedMoveIsRetriedOnce) {
    lower_.PutFile(W("\\m"), PackedImage(kOld));
    HANDLE file = Open(W("\\m"));
    Write(file, kNew);
    lower_.Inject(Fault{1, false, {LowerEntry::MoveFileW}, {}, ERROR_GEN_FAILURE});
    EXPECT_TRUE(Close(file));
    EXPECT_EQ(StoredContent(W("\\m")), kNew);
    EXPECT_TRUE(TemporaryFiles().empty());
}

TEST_F(CloseTest, AMoveThatKeepsFailingKeepsEveryCopyOfTheContent) {
    for (DWORD enable : {0u, 1u}) {
        SCOPED_TRACE(enable);
        SeedSettings(enable, 9);
        lower_.PutFile(W("\\m"), PackedImage(kOld));
        HANDLE file = Open(W("\\m"));
        Write(file, kNew);
        lower_.Inject(Fault{1, true, {LowerEntry::MoveFileW}, {}, ERROR_GEN_FAILURE});
        EXPECT_FALSE(Close(file));
        lower_.ClearFaults();
        EXPECT_FALSE(lower_.Exists(W("\\m")));
        // The content survives under its temporary names: the working copy,
        // and the new copy when packing succeeded.
        std::vector<WString> kept = TemporaryFiles();
        ASSERT_EQ(kept.size(), enable ? 2u : 1u);
        for (const WString& name : kept) {
            EXPECT_EQ(StoredContent(name), kNew);
            MRV_DeleteFileW(filter_, name.c_str());
        }
    }
}

TEST_F(CloseTest, ASourceOrNewCopyNotMadeWholeFallsBackToThePlainReplacement) {
    const LowerFailure cases[] = {
        {"the source cannot be opened", Fault{1, false, {LowerEntry::CreateFileW}, {}, ERROR_SHARING_VIOLATION}, 0, 0},
        {"the source's size is unknown", Fault{1, false, {LowerEntry::GetFileSize}, {}, ERROR_GEN_FAILURE}, 0, 0},
        {"the source reads short", Fault{0}, 16, 0},
        {"the new copy cannot be created", Fault{2, false, {LowerEntry::CreateFileW}, {}, ERROR_DISK_FULL}, 0, 0},
        {"a write of the new copy fails", Fault{3, false, {LowerEntry::WriteFile}, {}, ERROR_DISK_FULL}, 0, 0},
        {"the new copy writes short", Fault{0}, 0, 4},
        {"the new copy's flush fails", Fault{2, false, {LowerEntry::FlushFileBuffers}, {}, ERROR_GEN_FAILURE}, 0, 0},
        {"the new copy's close fails", Fault{3, false, {LowerEntry::CloseFile}, {}, ERROR_GEN_FAILURE}, 0, 0},
    };
    for (const LowerFailure& c : cases) {
        SCOPED_TRACE(c.what);
        lower_.PutFile(W("\\w"), PackedImage(kOld));
        HANDLE file = Open(W("\\w"));
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        Write(file, kNew);
        Arm(c);
        Close(file);
        Disarm();
        lower_.Restart();  // handles a failed close left open
        EXPECT_FALSE(StoredPacked(W("\\w")));
        EXPECT_EQ(lower_.Content(W("\\w")), kNew);
        EXPECT_TRUE(TemporaryFiles().empty());
    }
}

// Stored images of full cycles, for the independent decoder to read back.
TEST_F(CloseTest, CycleImagesForTheIndependentDecoder) {
    const char* directory = std::getenv("MORVANE_CYCLE_IMAGES");
    if (directory == nullptr) {
        GTEST_SKIP() << "MORVANE_CYCLE_IMAGES not set";
    }
    struct Case {
        const char* name;
        std::vector<BYTE> content;
        DWORD level;
    } cases[] = {{"cycle-text-1", SampleText(300000), 1},
                 {"cycle-text-9", SampleText(300000), 9},
                 {"cycle-binary-6", SampleBinary(200000), 6},
                 {"cycle-empty", {}, 9}};
    for (const Case& c : cases) {
        SeedSettings(1, c.level);
        const WString name = W("\\") + W(c.name);
        Store(name, c.content);
        ASSERT_EQ(Load(name), c.content);
        for (const auto& [suffix, bytes] : {std::pair{".packed", *lower_.Content(name)}, std::pair{".plain", c.content}}) {
            std::string path = std::string(directory) + "/" + c.name + suffix;
            FILE* out = std::fopen(path.c_str(), "wb");
            ASSERT_NE(out, nullptr) << path;
            if (!bytes.empty()) {
                std::fwrite(bytes.data(), 1, bytes.size(), out);
            }
            std::fclose(out);
        }
    }
}

}  // namespace
