// The entries on an open file, over the host's handle.
#include "lower/hostdir/file_pointer.h"
#include "lower/hostdir/host_entries.h"
#include "lower/hostdir/win32/host_records.h"
#include "platform/last_error.h"

namespace {

HANDLE HostOfFile(DWORD_PTR file) { return FileOf(file)->file; }

// A seeking transfer is an overlapped one on a synchronous handle: it leaves
// the pointer after what it moved. Reading at or past the end reads nothing
// and is no failure, as a plain read.
OVERLAPPED At(DWORD offsetLow, DWORD offsetHigh) {
    OVERLAPPED position{};
    position.Offset = offsetLow;
    position.OffsetHigh = offsetHigh;
    return position;
}

BOOL EndIsNoFailure(BOOL result, DWORD* done) {
    if (!result && GetLastError() == ERROR_HANDLE_EOF) {
        *done = 0;
        return TRUE;
    }
    return result;
}

// The host wants somewhere to count the bytes moved; the caller may not.
DWORD* Counter(DWORD* done, DWORD* spare) { return done != nullptr ? done : spare; }

}  // namespace

namespace hostdir {

BOOL ReadFile(DWORD_PTR file, void* buffer, DWORD count, DWORD* done, void*) {
    DWORD spare;
    return ::ReadFile(HostOfFile(file), buffer, count, Counter(done, &spare), nullptr);
}

BOOL ReadFileWithSeek(DWORD_PTR file, void* buffer, DWORD count, DWORD* done, void*, DWORD offsetLow,
                      DWORD offsetHigh) {
    OVERLAPPED position = At(offsetLow, offsetHigh);
    DWORD spare;
    DWORD* counter = Counter(done, &spare);
    return EndIsNoFailure(::ReadFile(HostOfFile(file), buffer, count, counter, &position), counter);
}

BOOL WriteFile(DWORD_PTR file, const void* buffer, DWORD count, DWORD* done, void*) {
    DWORD spare;
    return ::WriteFile(HostOfFile(file), buffer, count, Counter(done, &spare), nullptr);
}

BOOL WriteFileWithSeek(DWORD_PTR file, const void* buffer, DWORD count, DWORD* done, void*, DWORD offsetLow,
                       DWORD offsetHigh) {
    OVERLAPPED position = At(offsetLow, offsetHigh);
    DWORD spare;
    return ::WriteFile(HostOfFile(file), buffer, count, Counter(done, &spare), &position);
}

// The host's own call differs between versions where a position passes 32
// bits without a high part; the shared arithmetic keeps both builds alike.
DWORD SetFilePointer(DWORD_PTR file, LONG distance, LONG* distanceHigh, DWORD moveMethod) {
    HANDLE host = HostOfFile(file);
    LARGE_INTEGER zero{};
    LARGE_INTEGER current{};
    LARGE_INTEGER size{};
    if (!::SetFilePointerEx(host, zero, &current, FILE_CURRENT) || !::GetFileSizeEx(host, &size)) {
        return INVALID_SET_FILE_POINTER;
    }
    int64_t position;
    if (!NewFilePointer(distance, distanceHigh, moveMethod, current.QuadPart, size.QuadPart, &position)) {
        return INVALID_SET_FILE_POINTER;
    }
    LARGE_INTEGER target{};
    target.QuadPart = position;
    if (!::SetFilePointerEx(host, target, nullptr, FILE_BEGIN)) {
        return INVALID_SET_FILE_POINTER;
    }
    if (distanceHigh != nullptr) {
        *distanceHigh = static_cast<LONG>(static_cast<uint64_t>(position) >> 32);
    }
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(position);
}

DWORD GetFileSize(DWORD_PTR file, DWORD* sizeHigh) {
    SetLastError(ERROR_SUCCESS);
    return ::GetFileSize(HostOfFile(file), sizeHigh);
}

BOOL GetFileInformationByHandle(DWORD_PTR file, BY_HANDLE_FILE_INFORMATION* info) {
    return ::GetFileInformationByHandle(HostOfFile(file), info);
}

BOOL FlushFileBuffers(DWORD_PTR file) { return ::FlushFileBuffers(HostOfFile(file)); }

BOOL GetFileTime(DWORD_PTR file, FILETIME* creation, FILETIME* lastAccess, FILETIME* lastWrite) {
    return ::GetFileTime(HostOfFile(file), creation, lastAccess, lastWrite);
}

// Wine lets any handle set times; the device, like Windows, wants a writer.
BOOL SetFileTime(DWORD_PTR file, const FILETIME* creation, const FILETIME* lastAccess, const FILETIME* lastWrite) {
    if (!(FileOf(file)->access & GENERIC_WRITE)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return ::SetFileTime(HostOfFile(file), creation, lastAccess, lastWrite);
}

BOOL SetEndOfFile(DWORD_PTR file) { return ::SetEndOfFile(HostOfFile(file)); }

}  // namespace hostdir
