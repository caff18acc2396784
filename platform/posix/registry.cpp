// The registry calls over the registry file. Readers take no lock: a writer
// replaces the file by rename, so a reader sees the old text or the new, never
// a mix. Writers serialise on an flock of "<file>.lock" around their
// read-change-replace, so no writer loses another's value.
#include "platform/registry.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <utility>

#include "platform/heap.h"
#include "platform/posix/registry_file_io.h"
#include "platform/posix/registry_format.h"
#include "platform/posix/registry_snapshot.h"
#include "platform/unique_fd.h"
#include "platform/utf.h"

// An open key: its path below HKEY_LOCAL_MACHINE, in UTF-8, follows the record.
struct RegistryKey {
    SIZE_T length;
};

namespace {

// A temporary file that is removed unless it took the registry file's place.
class TemporaryFile {
public:
    explicit TemporaryFile(std::string pattern)
        : path_(std::move(pattern)), file_(mkostemp(&path_[0], O_CLOEXEC)), created_(file_.valid()) {}
    ~TemporaryFile() {
        file_.Close();
        if (created_ && !committed_) {
            unlink(path_.c_str());
        }
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    UniqueFd& file() { return file_; }
    bool CommitAs(const std::string& path) {
        committed_ = rename(path_.c_str(), path.c_str()) == 0;
        return committed_;
    }

private:
    std::string path_;
    UniqueFd file_;
    bool created_;
    bool committed_ = false;
};

// Empty when neither variable nor a home directory says where it is.
std::string RegistryFilePath() {
    const char* chosen = getenv("MORVANE_REGISTRY");
    if (chosen && *chosen) {
        return chosen;
    }
    const char* config = getenv("XDG_CONFIG_HOME");
    if (config && *config == '/') {
        return std::string(config) + "/morvane/registry.reg";
    }
    const char* home = getenv("HOME");
    if (home && *home) {
        return std::string(home) + "/.config/morvane/registry.reg";
    }
    return std::string();
}

LONG WriteAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        ssize_t put = write(fd, text.data() + done, text.size() - done);
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put < 0) {
            return ErrorFromErrno();
        }
        done += static_cast<size_t>(put);
    }
    return ERROR_SUCCESS;
}

// Makes the rename itself durable; the values are already safe in the file.
void SyncDirectoryOf(const std::string& path) {
    UniqueFd handle(open(DirectoryOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (handle.valid()) {
        fsync(handle.get());
    }
}

// Under the writers' lock: read the file, change it, write the whole text to
// a temporary file beside it, flush, and rename it into place.
LONG SetInFile(const std::string& key, const std::string& name, DWORD value) {
    std::string path = RegistryFilePath();
    if (path.empty()) {
        return ERROR_FILE_NOT_FOUND;
    }
    UniqueFd lock(open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666));
    if (!lock.valid()) {
        return ErrorFromErrno();
    }
    while (flock(lock.get(), LOCK_EX) != 0) {
        if (errno != EINTR) {
            return ErrorFromErrno();
        }
    }

    RegistryFile registry;
    mode_t mode = 0;
    LONG error = LoadRegistry(path, &registry, &mode);
    if (error != ERROR_SUCCESS) {
        return error;
    }
    if (!SetRegistryDword(&registry, key, name, value)) {
        return ERROR_FILE_NOT_FOUND;
    }

    TemporaryFile temporary(path + ".XXXXXX");
    if (!temporary.file().valid()) {
        return ErrorFromErrno();
    }
    error = WriteAll(temporary.file().get(), SerialiseRegistryFile(registry));
    if (error != ERROR_SUCCESS) {
        return error;
    }
    if (fchmod(temporary.file().get(), mode) != 0 || fsync(temporary.file().get()) != 0 ||
        !temporary.file().Close() || !temporary.CommitAs(path)) {
        return ErrorFromErrno();
    }
    SyncDirectoryOf(path);
    return ERROR_SUCCESS;
}

std::string Utf8Name(LPCWSTR name) {
    if (!name) {
        return std::string();
    }
    size_t units = 0;
    while (name[units] != 0) {
        ++units;
    }
    return ToUtf8(name, units);
}

std::string PathOf(HKEY key) {
    if (key == HKEY_LOCAL_MACHINE) {
        return std::string();
    }
    return std::string(reinterpret_cast<const char*>(key + 1), key->length);
}

// The calls answer with an error code, never an exception.
template <typename Body>
LONG Guarded(Body body) {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
}

}  // namespace

LONG RegOpenKeyExW(HKEY root, LPCWSTR subKey, DWORD, REGSAM, HKEY* result) {
    if (!result) {
        return ERROR_INVALID_PARAMETER;
    }
    *result = nullptr;
    if (!root) {
        return ERROR_INVALID_HANDLE;
    }
    return Guarded([&]() -> LONG {
        std::string path = PathOf(root);
        std::string below = Utf8Name(subKey);
        if (!below.empty()) {
            path += path.empty() ? below : "\\" + below;
        }
        std::shared_ptr<const RegistryFile> registry;
        LONG error = CurrentRegistry(RegistryFilePath(), &registry);
        if (error != ERROR_SUCCESS) {
            return error;
        }
        if (!RegistryKeyExists(*registry, path)) {
            return ERROR_FILE_NOT_FOUND;
        }
        auto* key = static_cast<RegistryKey*>(HeapAlloc(GetProcessHeap(), 0, sizeof(RegistryKey) + path.size()));
        if (!key) {
            return ERROR_NOT_ENOUGH_MEMORY;
        }
        key->length = path.size();
        memcpy(key + 1, path.data(), path.size());
        *result = key;
        return ERROR_SUCCESS;
    });
}

LONG RegQueryValueExW(HKEY key, LPCWSTR name, DWORD*, DWORD* type, BYTE* data, DWORD* size) {
    if (!key) {
        return ERROR_INVALID_HANDLE;
    }
    if (data && !size) {
        return ERROR_INVALID_PARAMETER;
    }
    return Guarded([&]() -> LONG {
        std::shared_ptr<const RegistryFile> registry;
        LONG error = CurrentRegistry(RegistryFilePath(), &registry);
        if (error != ERROR_SUCCESS) {
            return error;
        }
        DWORD value = 0;
        if (!FindRegistryDword(*registry, PathOf(key), Utf8Name(name), &value)) {
            return ERROR_FILE_NOT_FOUND;
        }
        if (type) {
            *type = REG_DWORD;
        }
        if (data && *size < sizeof(value)) {
            *size = sizeof(value);
            return ERROR_MORE_DATA;
        }
        if (data) {
            memcpy(data, &value, sizeof(value));
        }
        if (size) {
            *size = sizeof(value);
        }
        return ERROR_SUCCESS;
    });
}

LONG RegSetValueExW(HKEY key, LPCWSTR name, DWORD, DWORD type, const BYTE* data, DWORD size) {
    if (!key) {
        return ERROR_INVALID_HANDLE;
    }
    if (type != REG_DWORD || !data || size != sizeof(DWORD)) {
        return ERROR_INVALID_PARAMETER;
    }
    DWORD value = 0;
    memcpy(&value, data, sizeof(value));
    return Guarded([&]() -> LONG { return SetInFile(PathOf(key), Utf8Name(name), value); });
}

LONG RegCloseKey(HKEY key) {
    if (!key) {
        return ERROR_INVALID_HANDLE;
    }
    if (key != HKEY_LOCAL_MACHINE) {
        HeapFree(GetProcessHeap(), 0, key);
    }
    return ERROR_SUCCESS;
}
