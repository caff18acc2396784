// Searches: the entries of one directory whose names match a pattern.
#include <fcntl.h>

#include <cerrno>
#include <cstring>

#include "lower/hostdir/host_entries.h"
#include "lower/hostdir/name_pattern.h"
#include "lower/hostdir/posix/host_errors.h"
#include "lower/hostdir/posix/host_records.h"
#include "lower/hostdir/posix/host_root.h"
#include "lower/hostdir/posix/host_stat.h"
#include "platform/heap_buffer.h"
#include "platform/last_error.h"

namespace {

void Fill(const HostStat& stat, const WString& name, WIN32_FIND_DATAW* data) {
    std::memset(data, 0, sizeof(*data));
    data->dwFileAttributes = AttributesOf(stat);
    data->ftCreationTime = FileTimeOf(stat.birth);
    data->ftLastAccessTime = FileTimeOf(stat.access);
    data->ftLastWriteTime = FileTimeOf(stat.write);
    data->nFileSizeHigh = static_cast<DWORD>(stat.size >> 32);
    data->nFileSizeLow = static_cast<DWORD>(stat.size);
    name.copy(data->cFileName, MAX_PATH - 1);
}

// Finds the next entry to report: a file or directory (not "." nor ".."),
// whose host name the volume can name and which matches the pattern.
// ERROR_NO_MORE_FILES at the end.
bool NextMatch(HostSearch* search, WIN32_FIND_DATAW* data) {
    WString pattern(search->pattern);
    for (;;) {
        errno = 0;
        dirent* entry = readdir(search->directory);
        if (entry == nullptr) {
            SetLastError(errno != 0 ? Win32ErrorOf(errno) : ERROR_NO_MORE_FILES);
            return false;
        }
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) {
            continue;
        }
        WString name = ToUtf16(entry->d_name);
        // A name that is not UTF-8 would not come back to the same host name.
        if (ToUtf8(name) != entry->d_name || !IsVolumeComponent(name) || !MatchesPattern(pattern, name)) {
            continue;
        }
        HostStat stat;
        if (!StatAt(dirfd(search->directory), entry->d_name, &stat) || !IsVolumeObject(stat)) {
            continue;
        }
        Fill(stat, name, data);
        return true;
    }
}

}  // namespace

namespace hostdir {

HANDLE FindFirstFileW(DWORD_PTR volume, HANDLE, const WCHAR* pattern, WIN32_FIND_DATAW* data) {
    HostName resolved;
    if (!ResolveName(HostOf(volume), pattern, NameUse::kPattern, &resolved)) {
        return INVALID_HANDLE_VALUE;
    }
    if (resolved.IsRoot()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    HeapRecord<HostSearch> search;
    if (!search) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return INVALID_HANDLE_VALUE;
    }
    ToUtf16(resolved.leaf).copy(search->pattern, MAX_PATH - 1);
    UniqueFd listing(openat(resolved.directory.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    DIR* directory = listing.valid() ? fdopendir(listing.get()) : nullptr;
    if (directory == nullptr) {
        FailWithErrno();
        return INVALID_HANDLE_VALUE;
    }
    listing.Release();
    search->directory = directory;
    search->volume = HostDirectoryVolume::Of(volume);
    if (!NextMatch(search.get(), data)) {
        DWORD error = GetLastError();
        closedir(directory);
        SetLastError(error == ERROR_NO_MORE_FILES ? ERROR_FILE_NOT_FOUND : error);
        return INVALID_HANDLE_VALUE;
    }
    DWORD_PTR word = reinterpret_cast<DWORD_PTR>(search.Detach());
    HostDirectoryVolume::Of(volume)->Track(word, FindClose);
    SetLastError(ERROR_SUCCESS);
    return reinterpret_cast<HANDLE>(word);
}

BOOL FindNextFileW(DWORD_PTR search, WIN32_FIND_DATAW* data) { return NextMatch(SearchOf(search), data); }

BOOL FindClose(DWORD_PTR search) {
    HeapRecord<HostSearch> record(SearchOf(search));
    record->volume->Untrack(search);
    return closedir(record->directory) == 0 ? TRUE : FailWithErrno();
}

}  // namespace hostdir
