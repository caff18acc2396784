#include "tests/hostdir/hostdir_fixture.h"

#include <atomic>
#include <fstream>
#include <random>
#include <sstream>

#include "platform/last_error.h"

const char kSecret[] = "outside the volume";

namespace {

fs::path FreshBase() {
    static std::atomic<unsigned> serial{0};
    std::random_device random;
    fs::path base = fs::temp_directory_path() /
                    ("morvane-hostdir-" + std::to_string(random()) + "-" + std::to_string(serial++));
    fs::create_directories(base);
    return base;
}

}  // namespace

DWORD_PTR Word(HANDLE handle) { return reinterpret_cast<DWORD_PTR>(handle); }

HostDirTest::HostDirTest() : base_(FreshBase()), root_(base_ / "root") {
    fs::create_directories(root_);
    fs::create_directories(base_ / "sentinel" / "inner");
    WriteHost("sentinel/secret.txt", kSecret);
    WriteHost("sentinel/inner/secret.txt", kSecret);
    outsideAtStart_ = OutsideSnapshot();
    volume_ = HostDirectoryVolume::Open(root_.u8string());
    if (!volume_) {
        ADD_FAILURE() << "cannot open " << root_ << ": error " << GetLastError();
    }
}

HostDirTest::~HostDirTest() {
    volume_.reset();
    std::error_code ignored;
    // Read-only files must be writable again before the tree can go on Win32.
    for (auto entry = fs::recursive_directory_iterator(base_, ignored); entry != fs::recursive_directory_iterator();
         entry.increment(ignored)) {
        fs::permissions(entry->path(), fs::perms::owner_write, fs::perm_options::add | fs::perm_options::nofollow,
                        ignored);
    }
    fs::remove_all(base_, ignored);
}

HANDLE HostDirTest::Open(const WString& name, DWORD access, DWORD share, DWORD creation) {
    return lower().CreateFileW(V(), process_, name.c_str(), access, share, nullptr, creation, 0, nullptr);
}

BOOL HostDirTest::Close(HANDLE file) { return lower().CloseFile(Word(file)); }

void HostDirTest::Write(HANDLE file, const std::string& content) {
    DWORD done = 0;
    ASSERT_TRUE(lower().WriteFile(Word(file), content.data(), static_cast<DWORD>(content.size()), &done, nullptr));
    ASSERT_EQ(done, content.size());
}

std::string HostDirTest::ReadRest(HANDLE file) {
    std::string content;
    char buffer[4096];
    DWORD done = 0;
    while (lower().ReadFile(Word(file), buffer, sizeof(buffer), &done, nullptr) && done > 0) {
        content.append(buffer, done);
    }
    return content;
}

void HostDirTest::Store(const WString& name, const std::string& content) {
    HANDLE file = Open(name, GENERIC_WRITE, 0, CREATE_ALWAYS);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << "error " << GetLastError();
    Write(file, content);
    ASSERT_TRUE(Close(file));
}

std::string HostDirTest::Load(const WString& name) {
    HANDLE file = Open(name, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    if (file == INVALID_HANDLE_VALUE) {
        return "<refused>";
    }
    std::string content = ReadRest(file);
    Close(file);
    return content;
}

void HostDirTest::WriteHost(const std::string& relative, const std::string& content) const {
    std::ofstream out(Host(relative), std::ios::binary | std::ios::trunc);
    out << content;
}

std::string HostDirTest::ReadHost(const std::string& relative) const {
    std::ifstream in(Host(relative), std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

std::map<std::string, std::string> HostDirTest::OutsideSnapshot() const {
    std::map<std::string, std::string> snapshot;
    std::error_code ignored;
    for (auto entry = fs::recursive_directory_iterator(base_, ignored); entry != fs::recursive_directory_iterator();
         entry.increment(ignored)) {
        fs::path relative = entry->path().lexically_relative(base_);
        if (*relative.begin() == "root") {
            entry.disable_recursion_pending();
            continue;
        }
        std::string key = relative.generic_u8string();
        snapshot[key] = entry->is_regular_file() && !entry->is_symlink() ? ReadHost(key) : "<not a file>";
    }
    return snapshot;
}
