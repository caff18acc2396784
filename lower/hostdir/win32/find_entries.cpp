// Searches: the host lists the whole directory and the layer matches, so that
// patterns match as on the device (the host's own matching also looks at
// short names) and reparse points stay out of listings.
#include <cstring>

#include "lower/hostdir/host_entries.h"
#include "lower/hostdir/name_pattern.h"
#include "lower/hostdir/win32/host_records.h"
#include "lower/hostdir/win32/host_root.h"
#include "platform/heap_buffer.h"
#include "platform/last_error.h"

namespace {

bool Reportable(const WIN32_FIND_DATAW& entry, const WString& pattern) {
    WString name(entry.cFileName);
    return !(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && IsVolumeComponent(name) &&
           MatchesPattern(pattern, name);
}

// Skips to the next reportable entry, starting with the one in `entry`;
// ERROR_NO_MORE_FILES at the end.
bool NextMatch(HostSearch* search, WIN32_FIND_DATAW* entry, WIN32_FIND_DATAW* data) {
    WString pattern(search->pattern);
    while (!Reportable(*entry, pattern)) {
        if (!::FindNextFileW(search->find, entry)) {
            return false;
        }
    }
    *data = *entry;
    std::memset(data->cAlternateFileName, 0, sizeof(data->cAlternateFileName));
    return true;
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
    size_t leaf = resolved.path.rfind(L'\\') + 1;
    resolved.path.copy(search->pattern, MAX_PATH - 1, leaf);
    WString everything = resolved.path.substr(0, leaf) + L"*";
    WIN32_FIND_DATAW entry;
    search->find = ::FindFirstFileW(everything.c_str(), &entry);
    if (search->find == INVALID_HANDLE_VALUE) {
        return INVALID_HANDLE_VALUE;
    }
    search->volume = HostDirectoryVolume::Of(volume);
    if (!NextMatch(search.get(), &entry, data)) {
        ::FindClose(search->find);
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    DWORD_PTR word = reinterpret_cast<DWORD_PTR>(search.Detach());
    HostDirectoryVolume::Of(volume)->Track(word, FindClose);
    SetLastError(ERROR_SUCCESS);
    return reinterpret_cast<HANDLE>(word);
}

BOOL FindNextFileW(DWORD_PTR search, WIN32_FIND_DATAW* data) {
    WIN32_FIND_DATAW entry;
    if (!::FindNextFileW(SearchOf(search)->find, &entry)) {
        return FALSE;
    }
    return NextMatch(SearchOf(search), &entry, data);
}

BOOL FindClose(DWORD_PTR search) {
    HeapRecord<HostSearch> record(SearchOf(search));
    record->volume->Untrack(search);
    return ::FindClose(record->find);
}

}  // namespace hostdir
