#include <fcntl.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>

#include "platform/last_error.h"
#include "storage/error_codes.h"
#include "storage/fuse/file_times.h"
#include "storage/fuse/mount_bridge.h"
#include "storage/packed_length.h"
#include "storage/volume_path.h"

namespace {

// Programs on a POSIX system expect no share modes: every open lets every
// other through. (The volume still refuses to delete or move an open file;
// the bridge closes it first.)
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
const WCHAR kRoot[] = WIDE("\\");

int LastErrno() { return -ErrnoForError(GetLastError()); }

bool WantsWrite(int flags) { return (flags & O_ACCMODE) != O_RDONLY; }

// A name in the root that the filter could have given a temporary file.
bool IsRootTemporaryName(const WString& path) {
    return path.size() > 1 && path[0] == '\\' && IsTemporaryName(path.substr(1));
}

bool IsUnder(const WString& path, const WString& directory) {
    return path.size() > directory.size() && path.compare(0, directory.size(), directory) == 0 &&
           path[directory.size()] == '\\';
}

ULONGLONG FindSize(const WIN32_FIND_DATAW& data) {
    return (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

void FillMode(DWORD attributes, struct stat* status) {
    const bool directory = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    const bool readOnly = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    // FAT holds one permission: the read-only attribute stands for the write bits.
    if (directory) {
        status->st_mode = S_IFDIR | (readOnly ? 0555 : 0755);
        status->st_nlink = 2;
    } else {
        status->st_mode = S_IFREG | (readOnly ? 0444 : 0644);
        status->st_nlink = 1;
    }
}

DWORD WithReadOnly(DWORD attributes, bool readOnly) {
    return readOnly ? (attributes | FILE_ATTRIBUTE_READONLY) : (attributes & ~FILE_ATTRIBUTE_READONLY);
}

}  // namespace

MountBridge::MountBridge(FilteredVolume& volume)
    : volume_(volume), filter_(volume.Filter()), owner_(getuid()), group_(getgid()) {
    clock_gettime(CLOCK_REALTIME, &mountTime_);
    WIN32_FIND_DATAW data;
    FilterSearch search(filter_, filter_.FindFirstFileW(volume_.Word(), nullptr, WIDE("\\TMP*"), &data));
    for (bool found = search.IsOpen(); found; found = filter_.FindNextFileW(search.Word(), &data) != FALSE) {
        NoteNameMadeByProgram(JoinVolumePath(kRoot, data.cFileName));
    }
}

MountBridge::~MountBridge() { CloseAll(); }

void MountBridge::CloseAll() {
    std::lock_guard<std::mutex> names(names_);
    std::set<Entry> open;
    {
        std::lock_guard<std::mutex> table(table_);
        for (auto& [id, entry] : byId_) {
            open.insert(entry);
        }
        byId_.clear();
        byName_.clear();
    }
    for (const Entry& entry : open) {
        CloseEntry(entry);
    }
}

MountBridge::Entry MountBridge::ByHandle(const fuse_file_info* info) {
    std::lock_guard<std::mutex> table(table_);
    auto found = byId_.find(info->fh);
    return found != byId_.end() ? found->second : nullptr;
}

MountBridge::Entry MountBridge::ByName(const WString& path) {
    std::lock_guard<std::mutex> table(table_);
    auto found = byName_.find(path);
    return found != byName_.end() ? found->second : nullptr;
}

bool MountBridge::HiddenWorkingCopy(const WString& path) const {
    return IsRootTemporaryName(path) && ownTemporaryNames_.count(path) == 0;
}

void MountBridge::NoteNameMadeByProgram(const WString& path) {
    if (IsRootTemporaryName(path)) {
        ownTemporaryNames_.insert(path);
    }
}

int MountBridge::CallLocked(const Entry& entry, const std::function<int(DWORD_PTR)>& call) {
    std::lock_guard<std::mutex> io(entry->io);
    if (!entry->file.IsOpen()) {
        if (entry->path.empty()) {
            return -ESTALE;
        }
        const DWORD access = GENERIC_READ | (entry->writable ? GENERIC_WRITE : 0);
        HANDLE handle = filter_.CreateFileW(volume_.Word(), nullptr, entry->path.c_str(), access, kShareAll, nullptr,
                                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            return LastErrno();
        }
        entry->file.Adopt(handle);
    }
    return call(entry->file.Word());
}

int MountBridge::Call(const Entry& entry, const std::function<int(DWORD_PTR)>& call) {
    {
        std::lock_guard<std::mutex> io(entry->io);
        if (entry->file.IsOpen()) {
            return call(entry->file.Word());
        }
    }
    // Reopening is an open: it takes the names lock, which comes first.
    std::lock_guard<std::mutex> names(names_);
    return CallLocked(entry, call);
}

// Closes the entry's filter handle, so that the filter settles the stored
// file under the name it was opened by, before that name changes.
void MountBridge::Settle(OpenFile& entry) {
    std::lock_guard<std::mutex> io(entry.io);
    if (entry.file.IsOpen() && !entry.file.Close()) {
        std::fprintf(stderr, "morvane: %s: not stored: %s\n", ToUtf8(entry.path).c_str(),
                     ErrorText(GetLastError()).c_str());
    }
}

void MountBridge::SettleUnder(const WString& path) {
    std::vector<Entry> affected;
    {
        std::lock_guard<std::mutex> table(table_);
        for (auto& [name, entry] : byName_) {
            if (name == path || IsUnder(name, path)) {
                affected.push_back(entry);
            }
        }
    }
    for (const Entry& entry : affected) {
        Settle(*entry);
    }
}

int MountBridge::CloseEntry(const Entry& entry) {
    Settle(*entry);
    if (entry->pendingAttributes && !entry->path.empty()) {
        filter_.SetFileAttributesW(volume_.Word(), entry->path.c_str(), *entry->pendingAttributes);
    }
    return 0;
}

int MountBridge::StatusOfOpen(const Entry& entry, struct stat* status) {
    BY_HANDLE_FILE_INFORMATION information{};
    const int result = CallLocked(entry, [&](DWORD_PTR handle) {
        return filter_.GetFileInformationByHandle(handle, &information) ? 0 : LastErrno();
    });
    if (result != 0) {
        return result;
    }
    FillMode(entry->pendingAttributes.value_or(information.dwFileAttributes), status);
    status->st_size = static_cast<off_t>((static_cast<ULONGLONG>(information.nFileSizeHigh) << 32) |
                                         information.nFileSizeLow);
    status->st_blocks = (status->st_size + 511) / 512;
    status->st_mtim = ToTimespec(information.ftLastWriteTime);
    status->st_atim = ToTimespec(information.ftLastAccessTime);
    status->st_ctim = status->st_mtim;
    return 0;
}

int MountBridge::StatusByName(const WString& path, struct stat* status) {
    if (path == kRoot) {
        FillMode(FILE_ATTRIBUTE_DIRECTORY, status);
        status->st_mtim = status->st_atim = status->st_ctim = mountTime_;
        return 0;
    }
    if (HiddenWorkingCopy(path)) {
        return -ENOENT;
    }
    if (Entry entry = ByName(path)) {
        return StatusOfOpen(entry, status);
    }
    // By name before the search, which would take a name holding * or ? as a
    // pattern and report whichever file matched it.
    const DWORD attributes = filter_.GetFileAttributesW(volume_.Word(), path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return LastErrno();
    }
    WIN32_FIND_DATAW data{};
    FilterSearch search(filter_, filter_.FindFirstFileW(volume_.Word(), nullptr, path.c_str(), &data));
    if (!search.IsOpen()) {
        return LastErrno();
    }
    FillMode(attributes, status);
    const ULONGLONG stored = FindSize(data);
    DWORD unpacked = 0;
    const bool packed =
        (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 && ReadUnpackedLength(volume_.Lower(), path.c_str(), &unpacked);
    status->st_size = static_cast<off_t>(packed ? unpacked : stored);
    // What the file takes on the volume: du shows the stored size, ls the content's.
    status->st_blocks = static_cast<blkcnt_t>((stored + 511) / 512);
    status->st_mtim = ToTimespec(data.ftLastWriteTime);
    status->st_atim = ToTimespec(data.ftLastAccessTime);
    status->st_ctim = status->st_mtim;
    return 0;
}

int MountBridge::GetAttributes(const char* path, struct stat* status, fuse_file_info* info) {
    std::memset(status, 0, sizeof(*status));
    status->st_uid = owner_;
    status->st_gid = group_;
    std::lock_guard<std::mutex> names(names_);
    if (info != nullptr) {
        if (Entry entry = ByHandle(info)) {
            return StatusOfOpen(entry, status);
        }
    }
    return StatusByName(ToVolumePath(path), status);
}

int MountBridge::ReadDirectory(const char* path, void* buffer, fuse_fill_dir_t filler) {
    const WString directory = ToVolumePath(path);
    std::lock_guard<std::mutex> names(names_);
    WIN32_FIND_DATAW data;
    FilterSearch search(
        filter_, filter_.FindFirstFileW(volume_.Word(), nullptr, JoinVolumePath(directory, WIDE("*")).c_str(), &data));
    if (!search.IsOpen() && GetLastError() != ERROR_FILE_NOT_FOUND && GetLastError() != ERROR_NO_MORE_FILES) {
        return LastErrno();
    }
    filler(buffer, ".", nullptr, 0, static_cast<fuse_fill_dir_flags>(0));
    filler(buffer, "..", nullptr, 0, static_cast<fuse_fill_dir_flags>(0));
    for (bool found = search.IsOpen(); found; found = filter_.FindNextFileW(search.Word(), &data) != FALSE) {
        const WString name(data.cFileName);
        if (name == WIDE(".") || name == WIDE("..") || HiddenWorkingCopy(JoinVolumePath(directory, name))) {
            continue;
        }
        struct stat status{};
        FillMode(data.dwFileAttributes, &status);
        if (filler(buffer, ToUtf8(name).c_str(), &status, 0, static_cast<fuse_fill_dir_flags>(0)) != 0) {
            break;
        }
    }
    return 0;
}

int MountBridge::MakeDirectory(const char* path) {
    const WString name = ToVolumePath(path);
    std::lock_guard<std::mutex> names(names_);
    if (!filter_.CreateDirectoryW(volume_.Word(), name.c_str(), nullptr)) {
        return LastErrno();
    }
    NoteNameMadeByProgram(name);
    return 0;
}

int MountBridge::RemoveDirectory(const char* path) {
    const WString name = ToVolumePath(path);
    std::lock_guard<std::mutex> names(names_);
    return filter_.RemoveDirectoryW(volume_.Word(), name.c_str()) ? 0 : LastErrno();
}

int MountBridge::Unlink(const char* path) {
    const WString name = ToVolumePath(path);
    std::lock_guard<std::mutex> names(names_);
    if (Entry entry = ByName(name)) {
        // Settled first: a later close must not put the file back under a name
        // that a new file may hold by then. Descriptors still open on it fail.
        Settle(*entry);
        std::lock_guard<std::mutex> table(table_);
        entry->path.clear();
        byName_.erase(name);
    }
    if (!filter_.DeleteFileW(volume_.Word(), name.c_str())) {
        return LastErrno();
    }
    ownTemporaryNames_.erase(name);
    return 0;
}

int MountBridge::Rename(const char* from, const char* to, unsigned int flags) {
    if ((flags & RENAME_EXCHANGE) != 0) {
        return -EINVAL;
    }
    const WString source = ToVolumePath(from);
    const WString target = ToVolumePath(to);
    std::lock_guard<std::mutex> names(names_);
    const DWORD sourceAttributes = filter_.GetFileAttributesW(volume_.Word(), source.c_str());
    if (sourceAttributes == INVALID_FILE_ATTRIBUTES) {
        return LastErrno();
    }
    if (source == target) {
        return 0;
    }
    SettleUnder(source);
    const DWORD targetAttributes = filter_.GetFileAttributesW(volume_.Word(), target.c_str());
    if (targetAttributes != INVALID_FILE_ATTRIBUTES) {
        if ((flags & RENAME_NOREPLACE) != 0) {
            return -EEXIST;
        }
        // The volume has no replacing rename: the target goes first.
        SettleUnder(target);
        const bool directory = (targetAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if ((sourceAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && !directory) {
            return -ENOTDIR;
        }
        if ((sourceAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 && directory) {
            return -EISDIR;
        }
        const BOOL removed = directory ? filter_.RemoveDirectoryW(volume_.Word(), target.c_str())
                                       : filter_.DeleteFileW(volume_.Word(), target.c_str());
        if (!removed) {
            return LastErrno();
        }
        std::lock_guard<std::mutex> table(table_);
        for (auto it = byName_.begin(); it != byName_.end();) {
            if (it->first == target || IsUnder(it->first, target)) {
                it->second->path.clear();
                it = byName_.erase(it);
            } else {
                ++it;
            }
        }
    }
    if (!filter_.MoveFileW(volume_.Word(), source.c_str(), target.c_str())) {
        return LastErrno();
    }
    ownTemporaryNames_.erase(source);
    NoteNameMadeByProgram(target);
    // Open files under the old name follow it, and reopen there at their next use.
    std::lock_guard<std::mutex> table(table_);
    std::map<WString, Entry> renamed;
    for (auto it = byName_.begin(); it != byName_.end();) {
        if (it->first == source || IsUnder(it->first, source)) {
            WString moved = target + it->first.substr(source.size());
            it->second->path = moved;
            renamed.emplace(moved, it->second);
            it = byName_.erase(it);
        } else {
            ++it;
        }
    }
    byName_.insert(renamed.begin(), renamed.end());
    return 0;
}

int MountBridge::ChangeMode(const char* path, mode_t mode, fuse_file_info* info) {
    // Owner, group and every mode bit but the owner's write bit are accepted
    // and dropped, as on FAT.
    const bool readOnly = (mode & S_IWUSR) == 0;
    std::lock_guard<std::mutex> names(names_);
    Entry entry = info != nullptr ? ByHandle(info) : nullptr;
    const WString name = entry ? entry->path : ToVolumePath(path);
    if (!entry) {
        entry = ByName(name);
    }
    const DWORD attributes = filter_.GetFileAttributesW(volume_.Word(), name.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return LastErrno();
    }
    if (entry) {
        entry->pendingAttributes = WithReadOnly(entry->pendingAttributes.value_or(attributes), readOnly);
        return 0;
    }
    return filter_.SetFileAttributesW(volume_.Word(), name.c_str(), WithReadOnly(attributes, readOnly)) ? 0
                                                                                                         : LastErrno();
}

int MountBridge::Truncate(const char* path, off_t size, fuse_file_info* info) {
    if (size < 0) {
        return -EINVAL;
    }
    auto setEnd = [&](DWORD_PTR handle) {
        LONG high = static_cast<LONG>(static_cast<ULONGLONG>(size) >> 32);
        SetLastError(NO_ERROR);
        if (filter_.SetFilePointer(handle, static_cast<LONG>(size), &high, FILE_BEGIN) == INVALID_SET_FILE_POINTER &&
            GetLastError() != NO_ERROR) {
            return LastErrno();
        }
        return filter_.SetEndOfFile(handle) ? 0 : LastErrno();
    };
    Entry entry = info != nullptr ? ByHandle(info) : nullptr;
    if (!entry) {
        entry = ByName(ToVolumePath(path));
    }
    if (entry) {
        entry->written = true;
        return Call(entry, setEnd);
    }
    std::lock_guard<std::mutex> names(names_);
    const WString name = ToVolumePath(path);
    FilterFile file(filter_, filter_.CreateFileW(volume_.Word(), nullptr, name.c_str(), GENERIC_READ | GENERIC_WRITE,
                                                 kShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsOpen()) {
        return LastErrno();
    }
    const int result = setEnd(file.Word());
    if (!file.Close() && result == 0) {
        return LastErrno();
    }
    return result;
}

int MountBridge::SetTimes(const char* path, const timespec times[2], fuse_file_info* info) {
    timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    auto pick = [&](const timespec& time) { return time.tv_nsec == UTIME_NOW ? now : time; };
    const FILETIME access = ToFiletime(pick(times[0]));
    const FILETIME write = ToFiletime(pick(times[1]));
    const FILETIME* accessTime = times[0].tv_nsec == UTIME_OMIT ? nullptr : &access;
    const FILETIME* writeTime = times[1].tv_nsec == UTIME_OMIT ? nullptr : &write;
    // A packed file's times live in the working copy until a close packs it
    // again; the filter packs only a changed handle, so a flush marks it.
    auto setTimes = [&](DWORD_PTR handle, bool packed) {
        if (!filter_.SetFileTime(handle, nullptr, accessTime, writeTime)) {
            return LastErrno();
        }
        return !packed || filter_.FlushFileBuffers(handle) ? 0 : LastErrno();
    };

    std::lock_guard<std::mutex> names(names_);
    Entry entry = info != nullptr ? ByHandle(info) : nullptr;
    const WString name = entry ? entry->path : ToVolumePath(path);
    if (!entry) {
        entry = ByName(name);
    }
    DWORD unpacked = 0;
    const bool packed = !name.empty() && ReadUnpackedLength(volume_.Lower(), name.c_str(), &unpacked);
    if (entry) {
        return CallLocked(entry, [&](DWORD_PTR handle) { return setTimes(handle, packed); });
    }
    const DWORD attributes = filter_.GetFileAttributesW(volume_.Word(), name.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return LastErrno();
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        // Directory times are not kept through the filter; accepted and dropped.
        return 0;
    }
    // Times change on a read-only file too: the attribute is lifted for the call.
    const bool readOnly = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    if (readOnly) {
        filter_.SetFileAttributesW(volume_.Word(), name.c_str(), WithReadOnly(attributes, false));
    }
    int result = 0;
    {
        FilterFile file(filter_, filter_.CreateFileW(volume_.Word(), nullptr, name.c_str(), GENERIC_READ | GENERIC_WRITE,
                                                     kShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        result = file.IsOpen() ? setTimes(file.Word(), packed) : LastErrno();
        if (file.IsOpen() && !file.Close() && result == 0) {
            result = LastErrno();
        }
    }
    if (readOnly) {
        filter_.SetFileAttributesW(volume_.Word(), name.c_str(), attributes);
    }
    return result;
}

int MountBridge::OpenEntry(const WString& path, int flags, DWORD creation, fuse_file_info* info) {
    if (HiddenWorkingCopy(path)) {
        return -ENOENT;
    }
    Entry entry = ByName(path);
    if (entry) {
        if (WantsWrite(flags) && !entry->writable) {
            return -EACCES;
        }
        if (creation == CREATE_NEW) {
            return -EEXIST;
        }
        ++entry->references;
    } else {
        // Opened for writing whenever the file allows it, so that one handle
        // serves every later open of the name.
        HANDLE handle = filter_.CreateFileW(volume_.Word(), nullptr, path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                            kShareAll, nullptr, creation, FILE_ATTRIBUTE_NORMAL, nullptr);
        bool writable = handle != INVALID_HANDLE_VALUE;
        if (!writable && GetLastError() == ERROR_ACCESS_DENIED && !WantsWrite(flags)) {
            handle = filter_.CreateFileW(volume_.Word(), nullptr, path.c_str(), GENERIC_READ, kShareAll, nullptr,
                                         creation, FILE_ATTRIBUTE_NORMAL, nullptr);
        }
        if (handle == INVALID_HANDLE_VALUE) {
            return LastErrno();
        }
        entry = std::make_shared<OpenFile>(filter_, handle, path, writable);
        std::lock_guard<std::mutex> table(table_);
        byName_.emplace(path, entry);
    }
    {
        std::lock_guard<std::mutex> table(table_);
        info->fh = nextId_++;
        byId_.emplace(info->fh, entry);
    }
    if ((flags & O_TRUNC) != 0) {
        // Emptied by a write-type call, never by the open's disposition: a
        // packed file's working copy emptied without a change is not stored.
        entry->written = true;
        return CallLocked(entry, [&](DWORD_PTR handle) {
            filter_.SetFilePointer(handle, 0, nullptr, FILE_BEGIN);
            return filter_.SetEndOfFile(handle) ? 0 : LastErrno();
        });
    }
    return 0;
}

int MountBridge::Open(const char* path, fuse_file_info* info) {
    std::lock_guard<std::mutex> names(names_);
    return OpenEntry(ToVolumePath(path), info->flags, OPEN_EXISTING, info);
}

int MountBridge::Create(const char* path, mode_t mode, fuse_file_info* info) {
    const WString name = ToVolumePath(path);
    std::lock_guard<std::mutex> names(names_);
    const bool existed = filter_.GetFileAttributesW(volume_.Word(), name.c_str()) != INVALID_FILE_ATTRIBUTES;
    if (HiddenWorkingCopy(name)) {
        // The filter's working copy holds the name; a program's file may not.
        if (existed) {
            return -EEXIST;
        }
        NoteNameMadeByProgram(name);
    }
    const int result = OpenEntry(name, info->flags, (info->flags & O_EXCL) != 0 ? CREATE_NEW : OPEN_ALWAYS, info);
    if (result != 0) {
        return result;
    }
    if (!existed && (mode & S_IWUSR) == 0) {
        // A file created read-only is written through this descriptor first.
        Entry entry = ByHandle(info);
        entry->pendingAttributes = FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY;
    }
    return 0;
}

int MountBridge::Read(char* buffer, size_t size, off_t offset, fuse_file_info* info) {
    Entry entry = ByHandle(info);
    if (!entry) {
        return -EBADF;
    }
    return Call(entry, [&](DWORD_PTR handle) {
        DWORD done = 0;
        if (!filter_.ReadFileWithSeek(handle, buffer, static_cast<DWORD>(size), &done, nullptr,
                                      static_cast<DWORD>(offset), static_cast<DWORD>(static_cast<ULONGLONG>(offset) >> 32))) {
            return LastErrno();
        }
        return static_cast<int>(done);
    });
}

int MountBridge::Write(const char* buffer, size_t size, off_t offset, fuse_file_info* info) {
    Entry entry = ByHandle(info);
    if (!entry) {
        return -EBADF;
    }
    entry->written = true;
    return Call(entry, [&](DWORD_PTR handle) {
        DWORD done = 0;
        if (!filter_.WriteFileWithSeek(handle, buffer, static_cast<DWORD>(size), &done, nullptr,
                                       static_cast<DWORD>(offset), static_cast<DWORD>(static_cast<ULONGLONG>(offset) >> 32))) {
            return LastErrno();
        }
        return static_cast<int>(done);
    });
}

int MountBridge::Sync(fuse_file_info* info) {
    Entry entry = ByHandle(info);
    if (!entry) {
        return -EBADF;
    }
    if (!entry->written) {
        return 0;
    }
    return Call(entry, [&](DWORD_PTR handle) { return filter_.FlushFileBuffers(handle) ? 0 : LastErrno(); });
}

int MountBridge::Release(fuse_file_info* info) {
    std::lock_guard<std::mutex> names(names_);
    Entry entry;
    {
        std::lock_guard<std::mutex> table(table_);
        auto found = byId_.find(info->fh);
        if (found == byId_.end()) {
            return -EBADF;
        }
        entry = found->second;
        byId_.erase(found);
        if (--entry->references > 0) {
            return 0;
        }
        auto named = byName_.find(entry->path);
        if (named != byName_.end() && named->second == entry) {
            byName_.erase(named);
        }
    }
    return CloseEntry(entry);
}

int MountBridge::FileSystemStatus(struct statvfs* status) {
    DWORD sectorsPerCluster = 0;
    DWORD bytesPerSector = 0;
    DWORD freeClusters = 0;
    DWORD totalClusters = 0;
    if (!filter_.GetDiskFreeSpaceW(volume_.Word(), kRoot, &sectorsPerCluster, &bytesPerSector, &freeClusters,
                                   &totalClusters)) {
        return LastErrno();
    }
    std::memset(status, 0, sizeof(*status));
    status->f_bsize = status->f_frsize = static_cast<unsigned long>(sectorsPerCluster) * bytesPerSector;
    status->f_blocks = totalClusters;
    status->f_bfree = status->f_bavail = freeClusters;
    status->f_namemax = 254;
    return 0;
}
