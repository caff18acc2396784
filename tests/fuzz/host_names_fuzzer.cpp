// Names through the host-directory volume: whatever the name, nothing outside
// the root is ever reached. The first input byte picks a call, the rest is the
// name as UTF-16 units. The root lies beside a sentinel directory, and holds a
// symbolic link to it and one to the tree above; after every call the sentinel
// must be as it was, no read may see its content, and a name the volume maps
// must map below the root.
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "filter/lower_hooks.h"
#include "lower/hostdir/host_directory_volume.h"

namespace fs = std::filesystem;

namespace {

const char kSecret[] = "the sentinel's secret";

struct Sandbox {
    fs::path base;
    fs::path root;
    fs::path sentinel;
    std::unique_ptr<HostDirectoryVolume> volume;
};

Sandbox* sandbox;

// A broken property is a finding: say which, and stop.
void Require(bool condition, const char* property) {
    if (!condition) {
        fprintf(stderr, "property broken: %s\n", property);
        abort();
    }
}

// Every path below the sentinel with its content and mode; the sentinel's own
// mode too.
std::map<std::string, std::string> Snapshot(const fs::path& directory) {
    std::map<std::string, std::string> found;
    struct stat self;
    found["."] = lstat(directory.c_str(), &self) == 0 ? std::to_string(self.st_mode) : "missing";
    std::error_code error;
    for (fs::recursive_directory_iterator it(directory, error), end; !error && it != end; it.increment(error)) {
        struct stat status;
        lstat(it->path().c_str(), &status);
        std::string content = std::to_string(status.st_mode) + ":" + std::to_string(status.st_size);
        if (it->is_regular_file()) {
            FILE* file = fopen(it->path().c_str(), "rb");
            char buffer[256];
            size_t count = file != nullptr ? fread(buffer, 1, sizeof(buffer), file) : 0;
            if (file != nullptr) {
                fclose(file);
            }
            content.append(buffer, count);
        }
        found[it->path().lexically_relative(directory).string()] = content;
    }
    return found;
}

std::map<std::string, std::string> sentinelAtStart;
std::map<std::string, std::string> rootAtStart;

// The root as the campaign starts it: a file, a directory, and the two links.
void ResetRoot() {
    std::error_code error;
    fs::permissions(sandbox->root, fs::perms::owner_all, error);
    for (const fs::directory_entry& entry : fs::directory_iterator(sandbox->root)) {
        fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add | fs::perm_options::nofollow,
                        error);
        fs::remove_all(entry.path());
    }
    fs::create_directory(sandbox->root / "sub");
    FILE* file = fopen((sandbox->root / "ok").c_str(), "wb");
    fclose(file);
    fs::create_directory_symlink(sandbox->sentinel, sandbox->root / "out");
    fs::create_directory_symlink("../..", sandbox->root / "sub" / "up");
}

bool BelowRoot(const std::string& hostPath) {
    const fs::path normal = fs::path(hostPath).lexically_normal();
    const fs::path relative = normal.lexically_relative(sandbox->root);
    return !relative.empty() && *relative.begin() != "..";
}

void Call(const LowerHooks& lower, BYTE which, const WCHAR* name) {
    const DWORD_PTR v = lower.lowerVolume;
    HANDLE process = nullptr;
    switch (which % 9) {
    case 0:
        lower.GetFileAttributesW(v, name);
        break;
    case 1: {
        HANDLE file = lower.CreateFileW(v, process, name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            char buffer[sizeof(kSecret)] = {};
            DWORD done = 0;
            lower.ReadFile(reinterpret_cast<DWORD_PTR>(file), buffer, sizeof(buffer) - 1, &done, nullptr);
            Require(std::string(buffer, done) != kSecret, "a read sees the sentinel's content");
            lower.CloseFile(reinterpret_cast<DWORD_PTR>(file));
        }
        break;
    }
    case 2: {
        HANDLE file = lower.CreateFileW(v, process, name, GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            DWORD done = 0;
            lower.WriteFile(reinterpret_cast<DWORD_PTR>(file), "x", 1, &done, nullptr);
            lower.SetEndOfFile(reinterpret_cast<DWORD_PTR>(file));
            lower.CloseFile(reinterpret_cast<DWORD_PTR>(file));
        }
        break;
    }
    case 3:
        lower.CreateDirectoryW(v, name, nullptr);
        break;
    case 4:
        lower.DeleteFileW(v, name);
        break;
    case 5:
        lower.RemoveDirectoryW(v, name);
        break;
    case 6:
        if (lower.MoveFileW(v, u"\\ok", name)) {
            lower.MoveFileW(v, name, u"\\ok");
        }
        lower.MoveFileW(v, name, u"\\moved");
        break;
    case 7: {
        WIN32_FIND_DATAW data;
        HANDLE search = lower.FindFirstFileW(v, process, name, &data);
        if (search != INVALID_HANDLE_VALUE) {
            while (lower.FindNextFileW(reinterpret_cast<DWORD_PTR>(search), &data)) {
            }
            lower.FindClose(reinterpret_cast<DWORD_PTR>(search));
        }
        break;
    }
    default:
        lower.SetFileAttributesW(v, name, FILE_ATTRIBUTE_READONLY);
        lower.SetFileAttributesW(v, name, FILE_ATTRIBUTE_NORMAL);
        lower.DeleteAndRenameFileW(v, name, u"\\ok");
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    std::string base = (fs::temp_directory_path() / "morvane-names-XXXXXX").string();
    Require(mkdtemp(base.data()) != nullptr, "a sandbox is made");
    sandbox = new Sandbox{base, fs::path(base) / "root", fs::path(base) / "sentinel", nullptr};
    fs::create_directory(sandbox->root);
    fs::create_directories(sandbox->sentinel / "inner");
    FILE* file = fopen((sandbox->sentinel / "secret.txt").c_str(), "wb");
    fputs(kSecret, file);
    fclose(file);
    ResetRoot();
    sentinelAtStart = Snapshot(sandbox->sentinel);
    rootAtStart = Snapshot(sandbox->root);
    sandbox->volume = HostDirectoryVolume::Open(sandbox->root.string());
    Require(sandbox->volume != nullptr, "the root opens as a volume");
    atexit([] {
        sandbox->volume.reset();
        ResetRoot();
        fs::remove_all(sandbox->base);
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    std::u16string name;
    for (size_t i = 1; i + 1 < size; i += 2) {
        name.push_back(static_cast<char16_t>(data[i] | data[i + 1] << 8));
    }
    std::string hostPath;
    if (sandbox->volume->HostPath(name.c_str(), &hostPath)) {
        Require(BelowRoot(hostPath), "a name maps outside the root");
    }
    Call(*reinterpret_cast<const LowerHooks*>(sandbox->volume->Hooks()), data[0], name.c_str());
    Require(Snapshot(sandbox->sentinel) == sentinelAtStart, "the sentinel changed");
    // What a call made inside the root is undone, so that every input meets the same tree.
    if (Snapshot(sandbox->root) != rootAtStart) {
        ResetRoot();
    }
    return 0;
}
