// The registry file's text: what a lookup finds in it, and what a write
// changes (one line, and only that one).
#include "platform/posix/registry_format.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const char kKey[] = "System\\StorageManager\\FATFS\\Filters\\Morvane";

RegistryFile Parsed(const std::string& text) {
    RegistryFile file;
    ParseRegistryFile(text, &file);
    return file;
}

// A file as a user might leave it: CRLF line ends, comments, blank lines,
// values of other types, a continued hex value, another root, a line nobody
// understands, a broken DWORD, and no line end after the last line.
const char kMixedFile[] =
    "Windows Registry Editor Version 5.00\r\n"
    "\r\n"
    "; settings of the compression filter\r\n"
    "[HKEY_LOCAL_MACHINE\\System\\StorageManager\\FATFS\\Filters\\Morvane]\r\n"
    "\"Dll\"=\"MORVANE.dll\"\r\n"
    "\"ENABLE\"=dword:00000001\r\n"
    "this line means nothing\r\n"
    "\"Blob\"=hex:01,02,03,\\\r\n"
    "  04,05\r\n"
    "\"LEVEL\"=dword:00000009\r\n"
    "\"Broken\"=dword:xyz\r\n"
    "\r\n"
    "[HKEY_CURRENT_USER\\Software\\Morvane]\r\n"
    "\"LEVEL\"=dword:00000002\r\n"
    "\r\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Other]\r\n"
    "@=\"default\"";

TEST(RegistryFormat, HeadersMakeAFileWellFormed) {
    struct Case {
        const char* what;
        std::string text;
        bool wellFormed;
    };
    const std::string body = "\n[HKEY_LOCAL_MACHINE\\System\\StorageManager\\FATFS\\Filters\\Morvane]\n"
                             "\"ENABLE\"=dword:0000000a\n";
    const Case cases[] = {
        {"regedit 4", "REGEDIT4\n" + body, true},
        {"regedit 5", "Windows Registry Editor Version 5.00\n" + body, true},
        {"regedit 5 with a byte order mark", "\xEF\xBB\xBFWindows Registry Editor Version 5.00\n" + body, true},
        {"trailing blanks after the header", "REGEDIT4  \t\n" + body, true},
        {"no header", body, false},
        {"a comment before the header", "; hello\nREGEDIT4\n" + body, false},
        {"an unknown version", "Windows Registry Editor Version 6.00\n" + body, false},
        {"empty", "", false},
        {"UTF-16", std::string("R\0E\0G\0E\0D\0I\0T\0" "4\0\n\0", 18) + body, false},
        {"binary garbage", std::string("\x00\xff\x13\n[\n\"", 7) + body, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RegistryFile file;
        EXPECT_EQ(ParseRegistryFile(c.text, &file), c.wellFormed);
        DWORD value = 0;
        EXPECT_EQ(RegistryKeyExists(file, kKey), c.wellFormed);
        EXPECT_EQ(FindRegistryDword(file, kKey, "ENABLE", &value), c.wellFormed);
        if (c.wellFormed) {
            EXPECT_EQ(value, 10u);
        } else {
            EXPECT_TRUE(file.lines.empty());
        }
    }
}

TEST(RegistryFormat, LookupsIgnoreCaseAndLinesTheyDoNotUnderstand) {
    RegistryFile file = Parsed(kMixedFile);
    DWORD value = 0;
    EXPECT_TRUE(FindRegistryDword(file, "system\\STORAGEMANAGER\\fatfs\\filters\\morvane", "enable", &value));
    EXPECT_EQ(value, 1u);
    EXPECT_TRUE(FindRegistryDword(file, kKey, "Level", &value));
    EXPECT_EQ(value, 9u);
    EXPECT_FALSE(FindRegistryDword(file, kKey, "Broken", &value));
    EXPECT_FALSE(FindRegistryDword(file, kKey, "Dll", &value)) << "a string is not a DWORD";
    EXPECT_FALSE(FindRegistryDword(file, "Software\\Morvane", "LEVEL", &value)) << "HKEY_CURRENT_USER is not ours";

    EXPECT_TRUE(RegistryKeyExists(file, "software\\other"));
    EXPECT_TRUE(RegistryKeyExists(file, "System\\StorageManager")) << "a parent is implied by its child";
    EXPECT_TRUE(RegistryKeyExists(file, ""));
    EXPECT_FALSE(RegistryKeyExists(file, "System\\Storage")) << "a prefix of a name is not a parent";
    EXPECT_FALSE(RegistryKeyExists(file, "Software\\Morvane"));
}

TEST(RegistryFormat, LaterLinesWinAsInAnImport) {
    RegistryFile file = Parsed(
        "REGEDIT4\n"
        "\"LEVEL\"=dword:00000001\n"
        "[HKEY_LOCAL_MACHINE\\K]\n"
        "\"LEVEL\"=dword:00000002\n"
        "[HKEY_LOCAL_MACHINE\\k]\n"
        "\"level\"=dword:00000003\n"
        "\"ENABLE\"=dword:00000001\n"
        "\"ENABLE\"=\"on\"\n");
    DWORD value = 0;
    EXPECT_TRUE(FindRegistryDword(file, "K", "LEVEL", &value));
    EXPECT_EQ(value, 3u);
    EXPECT_FALSE(FindRegistryDword(file, "K", "ENABLE", &value)) << "the last ENABLE is a string";
}

TEST(RegistryFormat, UnchangedTextSerialisesAsItWasRead) {
    const std::string texts[] = {kMixedFile, "REGEDIT4\n", "REGEDIT4", "REGEDIT4\n\n\n;\n[x\n\"a\n"};
    for (const std::string& text : texts) {
        EXPECT_EQ(SerialiseRegistryFile(Parsed(text)), text);
    }
}

TEST(RegistryFormat, SettingAValueChangesOnlyItsLine) {
    struct Case {
        const char* what;
        const char* name;
        std::string expected;
    };
    const std::string mixed = kMixedFile;
    auto replaced = [&](const std::string& from, const std::string& to) {
        std::string text = mixed;
        return text.replace(text.find(from), from.size(), to);
    };
    const Case cases[] = {
        {"a DWORD, named in another case", "level",
         replaced("\"LEVEL\"=dword:00000009\r\n", "\"level\"=dword:0000002a\r\n")},
        {"a string becomes a DWORD", "DLL", replaced("\"Dll\"=\"MORVANE.dll\"\r\n", "\"DLL\"=dword:0000002a\r\n")},
        {"a continued hex value loses its continuation", "Blob",
         replaced("\"Blob\"=hex:01,02,03,\\\r\n  04,05\r\n", "\"Blob\"=dword:0000002a\r\n")},
        {"a broken DWORD is repaired", "Broken", replaced("dword:xyz", "dword:0000002a")},
        {"a new value follows the key's last value", "NEW \"one\"",
         replaced("\"Broken\"=dword:xyz\r\n", "\"Broken\"=dword:xyz\r\n\"NEW \\\"one\\\"\"=dword:0000002a\r\n")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RegistryFile file = Parsed(mixed);
        ASSERT_TRUE(SetRegistryDword(&file, kKey, c.name, 42));
        EXPECT_EQ(SerialiseRegistryFile(file), c.expected);
        DWORD value = 0;
        EXPECT_TRUE(FindRegistryDword(file, kKey, c.name, &value));
        EXPECT_EQ(value, 42u);
    }
}

TEST(RegistryFormat, NewLinesTakeTheHeadersLineEnd) {
    struct Case {
        const char* what;
        std::string text;
        const char* key;
        std::string expected;
    };
    const Case cases[] = {
        {"LF, into the last section", "REGEDIT4\n[HKEY_LOCAL_MACHINE\\K]\n", "K",
         "REGEDIT4\n[HKEY_LOCAL_MACHINE\\K]\n\"V\"=dword:00000007\n"},
        {"CRLF, no line end at the end", "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\K]", "K",
         "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\K]\r\n\"V\"=dword:00000007"},
        {"a key implied by its child gets a section", "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\K\\Child]\r\n", "k",
         "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\K\\Child]\r\n\r\n[HKEY_LOCAL_MACHINE\\k]\r\n\"V\"=dword:00000007\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RegistryFile file = Parsed(c.text);
        ASSERT_TRUE(SetRegistryDword(&file, c.key, "V", 7));
        EXPECT_EQ(SerialiseRegistryFile(file), c.expected);
    }
}

TEST(RegistryFormat, SettingNeverCreatesAKey) {
    for (const std::string& text : {std::string(kMixedFile), std::string("not a registry file\n")}) {
        RegistryFile file = Parsed(text);
        EXPECT_FALSE(SetRegistryDword(&file, "System\\Absent", "ENABLE", 1));
        EXPECT_FALSE(SetRegistryDword(&file, "Software\\Morvane", "LEVEL", 1)) << "only in HKEY_CURRENT_USER";
        EXPECT_EQ(SerialiseRegistryFile(file), SerialiseRegistryFile(Parsed(text)));
    }
}

}  // namespace
