// Names that try to reach outside the root: each is refused by every entry
// that takes a name, and nothing outside the root changes.
#include <set>

#include "tests/hostdir/hostdir_fixture.h"
#include "lower/hostdir/volume_name.h"
#include "platform/last_error.h"

namespace {

struct Hostile {
    const char* why;
    WString name;
};

WString Units(std::initializer_list<WCHAR> units) { return WString(units); }

std::vector<Hostile> HostileNames(const fs::path& base) {
    WString absolute = ToUtf16((base / "sentinel" / "secret.txt").u8string());
    WString longComponent = W("\\") + WString(256, u'a');
    WString longName;
    while (longName.size() <= kMaxVolumeNameUnits) {
        longName += W("\\abcdefgh");
    }
    return {
        {"parent", W("\\..\\sentinel\\secret.txt")},
        {"parent alone", W("\\..")},
        {"parent, trailing separator", W("\\..\\")},
        {"parent twice from a subdirectory", W("\\sub\\..\\..\\sentinel\\secret.txt")},
        {"parent inside the tree", W("\\sub\\..\\ok")},
        {"parent with a trailing space", W("\\.. \\sentinel\\secret.txt")},
        {"parent with a trailing dot", W("\\...\\sentinel\\secret.txt")},
        {"parent with dots and spaces", W("\\. . \\sentinel")},
        {"current then parent", W("\\.\\..\\sentinel")},
        {"current", W("\\.\\ok")},
        {"parent, slashes", W("/../sentinel/secret.txt")},
        {"parent, mixed separators", W("\\../sentinel\\secret.txt")},
        {"parent after slash separators", W("\\sub/../../sentinel/secret.txt")},
        {"relative parent", W("..\\sentinel\\secret.txt")},
        {"relative name", W("ok")},
        {"empty", W("")},
        {"absolute host path", W("/etc/passwd")},
        {"absolute host path after a backslash", W("\\/etc/passwd")},
        {"the sentinel's own host path", absolute},
        {"the sentinel's host path after a backslash", W("\\") + absolute},
        {"drive", W("C:\\sentinel")},
        {"drive-relative", W("C:sentinel")},
        {"drive inside", W("\\C:\\sentinel")},
        {"drive alone", W("\\Z:")},
        {"alternate stream", W("\\ok:stream")},
        {"UNC", W("\\\\server\\share\\x")},
        {"long-path prefix", W("\\\\?\\C:\\x")},
        {"device namespace", W("\\\\.\\C:\\x")},
        {"long UNC", W("\\\\?\\UNC\\server\\share")},
        {"physical drive", W("\\\\.\\PhysicalDrive0")},
        {"pipe", W("\\\\.\\pipe\\x")},
        {"NT object path", W("\\??\\C:\\x")},
        {"doubled separator", W("\\sub\\\\ok")},
        {"console", W("\\CON")},
        {"console with an extension", W("\\con.txt")},
        {"null device", W("\\NUL")},
        {"null device, two extensions", W("\\nul.tar.gz")},
        {"serial port in a subdirectory", W("\\sub\\COM1")},
        {"printer port with an extension", W("\\LPT9.log")},
        {"device with a trailing space", W("\\AUX ")},
        {"device, space before the extension", W("\\PRN .txt")},
        {"console input", W("\\CONIN$")},
        {"superscript port", Units({u'\\', u'C', u'O', u'M', 0xB9})},
        {"NUL after a parent", Units({u'\\', u'.', u'.', 0, u'x'})},
        {"control character", Units({u'\\', u'a', 0x01, u'b'})},
        {"tab", W("\\a\tb")},
        {"star", W("\\*")},
        {"question mark", W("\\a?b")},
        {"less-than", W("\\a<b")},
        {"greater-than", W("\\a>b")},
        {"quote", W("\\a\"b")},
        {"bar", W("\\a|b")},
        {"unpaired high surrogate", Units({u'\\', u'a', 0xD800, u'b'})},
        {"unpaired low surrogate", Units({u'\\', 0xDC00})},
        {"component over 255 units", longComponent},
        {"name over 259 units", longName},
        {"trailing dot", W("\\ok.")},
        {"trailing space", W("\\ok ")},
    };
}

const std::set<DWORD> kRefusals = {ERROR_INVALID_NAME, ERROR_ACCESS_DENIED, ERROR_FILENAME_EXCED_RANGE};

class HostileNamesTest : public HostDirTest {
protected:
    HostileNamesTest() {
        fs::create_directories(root_ / "sub");
        WriteHost("root/ok", "inside");
    }

    // Runs one call with a hostile name: it must fail with a refusal.
    template <typename Call>
    void ExpectRefused(const Hostile& hostile, const char* entry, Call call) {
        SetLastError(ERROR_SUCCESS);
        bool succeeded = call();
        DWORD error = GetLastError();
        EXPECT_FALSE(succeeded) << entry << " accepted the " << hostile.why << " name";
        EXPECT_EQ(kRefusals.count(error), 1u) << entry << " on the " << hostile.why << " name: error " << error;
    }
};

TEST_F(HostileNamesTest, EveryEntryRefusesEveryHostileNameAndNothingOutsideChanges) {
    std::vector<Hostile> names = HostileNames(base_);
    ASSERT_GE(names.size(), 40u);
    WString ok = W("\\ok");
    for (const Hostile& hostile : names) {
        const WCHAR* name = hostile.name.c_str();
        ExpectRefused(hostile, "CreateFileW CREATE_ALWAYS", [&] {
            HANDLE file = Open(hostile.name, GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS);
            return file != INVALID_HANDLE_VALUE && Close(file);
        });
        ExpectRefused(hostile, "CreateFileW OPEN_EXISTING", [&] {
            HANDLE file = Open(hostile.name, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
            return file != INVALID_HANDLE_VALUE && Close(file);
        });
        ExpectRefused(hostile, "CreateDirectoryW", [&] { return lower().CreateDirectoryW(V(), name, nullptr); });
        ExpectRefused(hostile, "RemoveDirectoryW", [&] { return lower().RemoveDirectoryW(V(), name); });
        ExpectRefused(hostile, "GetFileAttributesW",
                      [&] { return lower().GetFileAttributesW(V(), name) != INVALID_FILE_ATTRIBUTES; });
        ExpectRefused(hostile, "SetFileAttributesW",
                      [&] { return lower().SetFileAttributesW(V(), name, FILE_ATTRIBUTE_NORMAL); });
        ExpectRefused(hostile, "DeleteFileW", [&] { return lower().DeleteFileW(V(), name); });
        ExpectRefused(hostile, "MoveFileW from", [&] { return lower().MoveFileW(V(), name, W("\\moved").c_str()); });
        ExpectRefused(hostile, "MoveFileW to", [&] { return lower().MoveFileW(V(), ok.c_str(), name); });
        ExpectRefused(hostile, "DeleteAndRenameFileW destination",
                      [&] { return lower().DeleteAndRenameFileW(V(), name, ok.c_str()); });
        ExpectRefused(hostile, "DeleteAndRenameFileW source",
                      [&] { return lower().DeleteAndRenameFileW(V(), ok.c_str(), name); });
        std::string hostPath;
        ExpectRefused(hostile, "HostPath", [&] { return volume_->HostPath(name, &hostPath); });
        // A pattern's last component may hold wildcards and end in a dot or a
        // space; every other refusal holds for searches too.
        std::vector<WString> components;
        if (!SplitVolumeName(name, NameUse::kPattern, &components)) {
            ExpectRefused(hostile, "FindFirstFileW", [&] {
                WIN32_FIND_DATAW data;
                HANDLE search = lower().FindFirstFileW(V(), process_, name, &data);
                return search != INVALID_HANDLE_VALUE && lower().FindClose(Word(search));
            });
        }
    }
    EXPECT_EQ(OutsideSnapshot(), outsideAtStart_);
    EXPECT_EQ(ReadHost("root/ok"), "inside");
    std::set<std::string> inRoot;
    for (const auto& entry : fs::directory_iterator(root_)) {
        inRoot.insert(entry.path().filename().u8string());
    }
    EXPECT_EQ(inRoot, (std::set<std::string>{"ok", "sub"}));
}

TEST_F(HostileNamesTest, ANulEndsTheNameSoWhatFollowsIsNeverReached) {
    WString name = Units({u'\\', u'o', u'k', 0, u'\\', u'.', u'.', u'\\', u's', u'e', u'n', u't', u'i', u'n', u'e', u'l'});
    EXPECT_EQ(lower().GetFileAttributesW(V(), name.c_str()), FILE_ATTRIBUTE_ARCHIVE);
    EXPECT_TRUE(lower().DeleteFileW(V(), name.c_str()));
    EXPECT_FALSE(fs::exists(root_ / "ok"));
    EXPECT_EQ(OutsideSnapshot(), outsideAtStart_);
}

}  // namespace
