// The registry calls over the Linux registry file: where the file is, the
// errors of a missing file, key or value, and concurrent writers and readers.
#include "platform/registry.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "tests/settings/scratch_registry_file.h"

namespace {

namespace fs = std::filesystem;

const WCHAR kKey[] = WIDE("System\\StorageManager\\FATFS\\Filters\\Morvane");
const char kFile[] =
    "REGEDIT4\n"
    "\n"
    "[HKEY_LOCAL_MACHINE\\System\\StorageManager\\FATFS\\Filters\\Morvane]\n"
    "\"ENABLE\"=dword:00000001\n"
    "\"LEVEL\"=dword:00000009\n"
    "\"Dll\"=\"MORVANE.dll\"\n";

// An open key, closed on every path out of the test.
class OpenKey {
public:
    OpenKey() = default;
    ~OpenKey() {
        if (key_) {
            RegCloseKey(key_);
        }
    }
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;

    LONG Open(const WCHAR* path = kKey) { return RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, 0, &key_); }
    HKEY get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

LONG QueryDword(HKEY key, const WCHAR* name, DWORD* value) {
    DWORD type = REG_NONE;
    DWORD size = sizeof(*value);
    LONG error = RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
    if (error == ERROR_SUCCESS) {
        EXPECT_EQ(type, REG_DWORD);
        EXPECT_EQ(size, sizeof(*value));
    }
    return error;
}

LONG SetDword(HKEY key, const WCHAR* name, DWORD value) {
    return RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
}

TEST(RegistryFile, MissingFileKeyOrValueIsFileNotFound) {
    ScratchRegistryFile registry;
    OpenKey missingFile;
    EXPECT_EQ(missingFile.Open(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(missingFile.get(), nullptr);

    registry.Write("Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\Nothing\\Here]\n");
    OpenKey missingKey;
    EXPECT_EQ(missingKey.Open(), ERROR_FILE_NOT_FOUND);

    registry.Write("a malformed file\n[HKEY_LOCAL_MACHINE\\System\\StorageManager\\FATFS\\Filters\\Morvane]\n");
    OpenKey malformed;
    EXPECT_EQ(malformed.Open(), ERROR_FILE_NOT_FOUND);

    registry.Write(kFile);
    OpenKey key;
    ASSERT_EQ(key.Open(), ERROR_SUCCESS);
    DWORD value = 77;
    EXPECT_EQ(QueryDword(key.get(), WIDE("ABSENT"), &value), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(QueryDword(key.get(), WIDE("Dll"), &value), ERROR_FILE_NOT_FOUND) << "only DWORDs are read";
    EXPECT_EQ(value, 77u);

    fs::remove(registry.path());
    EXPECT_EQ(QueryDword(key.get(), WIDE("ENABLE"), &value), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(SetDword(key.get(), WIDE("ENABLE"), 0), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(fs::exists(registry.path())) << "a write never creates the file";
}

// Reads keep the last parse while nothing changes; every kind of change must
// still be seen by the very next read.
TEST(RegistryFile, EveryChangeIsSeenByTheNextRead) {
    ScratchRegistryFile registry;
    registry.Write(kFile);
    auto level = [] {
        OpenKey key;
        DWORD value = 0;
        EXPECT_EQ(key.Open(), ERROR_SUCCESS);
        EXPECT_EQ(QueryDword(key.get(), WIDE("LEVEL"), &value), ERROR_SUCCESS);
        return value;
    };
    auto withLevel = [](char digit) {
        std::string text = kFile;
        text[text.find("dword:00000009") + 13] = digit;
        return text;
    };
    ASSERT_EQ(level(), 9u);
    EXPECT_EQ(level(), 9u);

    registry.Write(withLevel('1'));  // in place, same size, same instant
    EXPECT_EQ(level(), 1u);

    fs::path beside = registry.folder() / "replacement.reg";
    std::ofstream(beside, std::ios::binary) << withLevel('2');
    fs::rename(beside, registry.path());  // replaced, as a writer does
    EXPECT_EQ(level(), 2u);

    {
        OpenKey key;
        ASSERT_EQ(key.Open(), ERROR_SUCCESS);
        ASSERT_EQ(SetDword(key.get(), WIDE("LEVEL"), 3), ERROR_SUCCESS);
    }
    EXPECT_EQ(level(), 3u);

    std::ofstream(registry.folder() / "neighbour.txt") << "unrelated";
    EXPECT_EQ(level(), 3u);

    // A busy directory: more notices than a read drains (and than the queue
    // holds); the reads after it still see the file as it is, and its next change.
    for (int i = 0; i < 20000; ++i) {
        fs::path churn = registry.folder() / ("churn" + std::to_string(i % 7));
        std::ofstream(churn) << i;
        fs::remove(churn);
    }
    EXPECT_EQ(level(), 3u);
    registry.Write(withLevel('6'));
    EXPECT_EQ(level(), 6u);
    registry.Write(withLevel('3'));
    EXPECT_EQ(level(), 3u);

    fs::remove(registry.path());
    OpenKey gone;
    EXPECT_EQ(gone.Open(), ERROR_FILE_NOT_FOUND);
    registry.Write(withLevel('4'));
    EXPECT_EQ(level(), 4u);

    // A hard link written to elsewhere is the same file.
    fs::path link = registry.folder() / "link.reg";
    fs::create_hard_link(registry.path(), link);
    std::ofstream(link, std::ios::binary | std::ios::in | std::ios::out).seekp(
        static_cast<std::streamoff>(std::string(kFile).find("dword:00000009") + 13)) << '5';
    EXPECT_EQ(level(), 5u);
}

// Another program writing a file beside the registry file, without pause:
// every read must still end, and see the registry file's changes.
TEST(RegistryFile, ReadsEndWhileAFileBesideIsWrittenWithoutPause) {
    ScratchRegistryFile registry;
    registry.Write(kFile);
    std::atomic<bool> done{false};
    std::thread writer([&] {
        int fd = open((registry.folder() / "busy.log").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        ASSERT_GE(fd, 0);
        while (!done.load()) {
            ASSERT_EQ(pwrite(fd, "x", 1, 0), 1);
        }
        close(fd);
    });
    for (char digit : std::string("12345")) {
        std::string text = kFile;
        text[text.find("dword:00000009") + 13] = digit;
        registry.Write(text);
        OpenKey key;
        DWORD value = 0;
        EXPECT_EQ(key.Open(), ERROR_SUCCESS);
        EXPECT_EQ(QueryDword(key.get(), WIDE("LEVEL"), &value), ERROR_SUCCESS);
        EXPECT_EQ(value, static_cast<DWORD>(digit - '0'));
    }
    done = true;
    writer.join();
}

TEST(RegistryFile, QueryAndSetCheckTheirArguments) {
    ScratchRegistryFile registry;
    registry.Write(kFile);
    OpenKey key;
    ASSERT_EQ(key.Open(WIDE("system\\storagemanager\\fatfs\\filters\\MORVANE")), ERROR_SUCCESS);

    DWORD value = 0;
    DWORD type = REG_NONE;
    DWORD size = 2;
    EXPECT_EQ(RegQueryValueExW(key.get(), WIDE("level"), nullptr, &type, reinterpret_cast<BYTE*>(&value), &size),
              ERROR_MORE_DATA);
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(value, 0u);
    size = 0;
    EXPECT_EQ(RegQueryValueExW(key.get(), WIDE("LEVEL"), nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 4u) << "a query without a buffer reports the size";

    const BYTE text[] = "9";
    EXPECT_EQ(RegSetValueExW(key.get(), WIDE("LEVEL"), 0, REG_SZ, text, sizeof(text)), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegSetValueExW(key.get(), WIDE("LEVEL"), 0, REG_DWORD, text, 2), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(registry.Read(), kFile);
}

TEST(RegistryFile, WriteReplacesTheFileWholeAndLeavesNothingBeside) {
    ScratchRegistryFile registry;
    registry.Write(kFile);
    fs::permissions(registry.path(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    OpenKey key;
    ASSERT_EQ(key.Open(), ERROR_SUCCESS);
    ASSERT_EQ(SetDword(key.get(), WIDE("Level"), 3), ERROR_SUCCESS);

    std::string expected = kFile;
    expected.replace(expected.find("\"LEVEL\"=dword:00000009"), 22, "\"Level\"=dword:00000003");
    EXPECT_EQ(registry.Read(), expected);
    EXPECT_EQ(fs::status(registry.path()).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    int entries = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(registry.folder())) {
        EXPECT_TRUE(entry.path() == registry.path() || entry.path().extension() == ".lock") << entry.path();
        ++entries;
    }
    EXPECT_EQ(entries, 2);
}

TEST(RegistryFile, SetOnAKeyThatWasRemovedMeanwhileWritesNothing) {
    ScratchRegistryFile registry;
    registry.Write(kFile);
    OpenKey key;
    ASSERT_EQ(key.Open(), ERROR_SUCCESS);
    const std::string without = "REGEDIT4\n[HKEY_LOCAL_MACHINE\\System]\n";
    registry.Write(without);
    EXPECT_EQ(SetDword(key.get(), WIDE("ENABLE"), 0), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(registry.Read(), without);
}

TEST(RegistryFile, FileIsFoundWhereTheEnvironmentSays) {
    ScratchRegistryFile scratch;  // a home for the cases below
    const fs::path folder = scratch.folder();
    struct Case {
        const char* what;
        const char* registry;  // null: unset
        const char* configHome;
        fs::path expected;
    };
    const std::string chosen = (folder / "chosen.reg").string();
    const std::string config = (folder / "config").string();
    const Case cases[] = {
        {"MORVANE_REGISTRY first", chosen.c_str(), config.c_str(), folder / "chosen.reg"},
        {"then XDG_CONFIG_HOME", nullptr, config.c_str(), folder / "config/morvane/registry.reg"},
        {"then ~/.config", nullptr, nullptr, folder / "home/.config/morvane/registry.reg"},
        {"an empty or relative XDG_CONFIG_HOME is ignored", "", "relative", folder / "home/.config/morvane/registry.reg"},
    };
    const char* savedHome = getenv("HOME");
    const std::string home = savedHome ? savedHome : "";
    const char* savedConfig = getenv("XDG_CONFIG_HOME");
    const std::string configHome = savedConfig ? savedConfig : "";
    setenv("HOME", (folder / "home").c_str(), 1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.registry ? setenv("MORVANE_REGISTRY", c.registry, 1) : unsetenv("MORVANE_REGISTRY");
        c.configHome ? setenv("XDG_CONFIG_HOME", c.configHome, 1) : unsetenv("XDG_CONFIG_HOME");
        OpenKey before;
        EXPECT_EQ(before.Open(), ERROR_FILE_NOT_FOUND);
        fs::create_directories(c.expected.parent_path());
        fs::copy_file(MORVANE_INSTALL_FILE, c.expected);
        OpenKey key;
        EXPECT_EQ(key.Open(), ERROR_SUCCESS);
        fs::remove(c.expected);
    }
    savedHome ? setenv("HOME", home.c_str(), 1) : unsetenv("HOME");
    savedConfig ? setenv("XDG_CONFIG_HOME", configHome.c_str(), 1) : unsetenv("XDG_CONFIG_HOME");
}

// Runs `body` in a child process; true when it exits with 0.
template <typename Body>
pid_t Spawn(Body body) {
    pid_t child = fork();
    if (child == 0) {
        _exit(body() ? 0 : 1);
    }
    return child;
}

bool ExitedCleanly(pid_t child) {
    int status = 0;
    return child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Sets `name` to 1, 2, ... `rounds`, and checks after each set that the value
// is still there: another writer working from an older file would undo it.
bool WriteRounds(const WCHAR* name, DWORD rounds) {
    OpenKey key;
    if (key.Open() != ERROR_SUCCESS) {
        return false;
    }
    for (DWORD round = 1; round <= rounds; ++round) {
        DWORD value = 0;
        if (SetDword(key.get(), name, round) != ERROR_SUCCESS || QueryDword(key.get(), name, &value) != ERROR_SUCCESS ||
            value != round) {
            return false;
        }
    }
    return true;
}

const DWORD kRounds = 100;

TEST(RegistryFile, TwoWriterProcessesNeverLoseEachOthersValues) {
    ScratchRegistryFile registry;
    registry.Write(kFile);
    pid_t levelWriter = Spawn([] { return WriteRounds(WIDE("LEVEL"), kRounds); });
    ASSERT_GT(levelWriter, 0);
    EXPECT_TRUE(WriteRounds(WIDE("ENABLE"), kRounds));
    EXPECT_TRUE(ExitedCleanly(levelWriter));

    OpenKey key;
    ASSERT_EQ(key.Open(), ERROR_SUCCESS);
    DWORD enable = 0;
    DWORD level = 0;
    EXPECT_EQ(QueryDword(key.get(), WIDE("ENABLE"), &enable), ERROR_SUCCESS);
    EXPECT_EQ(QueryDword(key.get(), WIDE("LEVEL"), &level), ERROR_SUCCESS);
    EXPECT_EQ(enable, kRounds);
    EXPECT_EQ(level, kRounds);
}

// A file of many keys, so that a writer caught halfway would show: every read
// finds the key and a value that only grows, as the writer sets it.
TEST(RegistryFile, ReaderNeverSeesAHalfWrittenFile) {
    ScratchRegistryFile registry;
    std::string text = kFile;
    text.replace(text.find("\"LEVEL\"=dword:00000009"), 22, "\"LEVEL\"=dword:00000000");
    for (int i = 0; i < 300; ++i) {
        text += "\n[HKEY_LOCAL_MACHINE\\Software\\Filler\\Key" + std::to_string(i) + "]\n\"Value\"=dword:00000000\n";
    }
    registry.Write(text);
    pid_t writer = Spawn([] { return WriteRounds(WIDE("LEVEL"), kRounds); });
    ASSERT_GT(writer, 0);

    int status = 0;
    DWORD seen = 0;
    int reads = 0;
    while (waitpid(writer, &status, WNOHANG) == 0) {
        OpenKey key;
        ASSERT_EQ(key.Open(), ERROR_SUCCESS);
        DWORD level = 0;
        ASSERT_EQ(QueryDword(key.get(), WIDE("LEVEL"), &level), ERROR_SUCCESS);
        ASSERT_GE(level, seen);
        ASSERT_LE(level, kRounds);
        seen = level;
        ++reads;
    }
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_GT(reads, 0);
}

}  // namespace
