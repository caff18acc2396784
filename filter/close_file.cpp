// Closing a file handle: the settings are read, the caller's lower handle is
// closed, and then the stored file is settled. A handle that changed nothing
// loses its working copy. A changed one is packed into a new copy that takes
// the stored file's place, or, with compression off or packing failed, its
// working copy takes the place as a plain file. A replacement is two steps,
// delete then move, and the stored file is deleted only once a complete
// replacement is on the volume.
#include "filter/lower_file.h"
#include "filter/morvane.h"
#include "filter/packed/packed_format.h"
#include "filter/records.h"
#include "filter/temporary_files.h"
#include "platform/heap_buffer.h"
#include "platform/last_error.h"
#include "platform/lock_guard.h"
#include "settings/settings_store.h"

namespace {

constexpr ULONGLONG kMaxBufferSize = 0xFFFFFFFFu;

// A failed move after the delete leaves the content only under its
// temporary name; one retry covers a transient refusal.
bool MoveIntoPlace(const LowerHooks& lower, const WCHAR* from, const WCHAR* to) {
    return lower.MoveFileW(lower.lowerVolume, from, to) || lower.MoveFileW(lower.lowerVolume, from, to);
}

// Reads the source (the working copy, or the stored file itself) whole,
// packs it at `level` and writes a complete, flushed new copy carrying the
// source's times and the stored file's attributes. On success `newCopy`
// names it and *closed holds the result of closing it. On failure no new
// copy exists and nothing was packed from bytes that were not read.
bool WriteNewCopy(const LowerHooks& lower, const FilterHandle& handle, LONG level, WCHAR* newCopy, BOOL* closed) {
    HANDLE process = reinterpret_cast<HANDLE>(handle.process);
    const WCHAR* sourceName = handle.workName[0] != 0 ? handle.workName : handle.path;
    HANDLE opened = lower.CreateFileW(lower.lowerVolume, process, sourceName, GENERIC_READ, 0, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (opened == INVALID_HANDLE_VALUE) {
        return false;
    }
    LowerFile source(lower, opened);
    SetLastError(NO_ERROR);
    DWORD sizeHigh = 0;
    DWORD size = lower.GetFileSize(source.word(), &sizeHigh);
    if ((size == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) || sizeHigh != 0) {
        return false;
    }
    ULONGLONG bound = PackedStreamBound(size);
    if (bound > kMaxBufferSize) {
        return false;
    }
    HeapBuffer content(size);
    HeapBuffer stream(static_cast<SIZE_T>(bound));
    if (!content || !stream || !source.ReadWhole(content.data(), size)) {
        return false;
    }
    FILETIME times[3] = {};
    lower.GetFileTime(source.word(), &times[0], &times[1], &times[2]);
    source.Close();

    PackResult packed = PackStream(content.data(), size, level, stream.data(), static_cast<DWORD>(bound));
    if (packed.zlibResult != 0) {
        return false;
    }

    HANDLE created = CreateTemporaryFile(lower, process, newCopy);
    if (created == INVALID_HANDLE_VALUE) {
        return false;
    }
    LowerFile copy(lower, created);
    BYTE length[4];
    EncodeUnpackedLength(size, length);
    // Flushed before the close, so that no power loss after the stored
    // file's delete can find a replacement whose data never reached the volume.
    bool whole = copy.WriteWhole(kPackedMagic, sizeof(kPackedMagic)) && copy.WriteWhole(length, sizeof(length)) &&
                 copy.WriteWhole(stream.data(), packed.streamSize) && lower.FlushFileBuffers(copy.word());
    if (whole) {
        lower.SetFileTime(copy.word(), &times[0], &times[1], &times[2]);
    }
    BOOL closedCopy = copy.Close();
    if (!whole || !closedCopy) {
        DeleteTemporaryFile(lower, newCopy);
        return false;
    }
    DWORD attributes = lower.GetFileAttributesW(lower.lowerVolume, handle.path);
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        lower.SetFileAttributesW(lower.lowerVolume, newCopy, attributes);
    }
    *closed = closedCopy;
    return true;
}

// The working copy takes the stored file's place, unpacked. FALSE when the
// stored file cannot be deleted (the handle's changes are dropped) or the
// move fails (the content stays under the working copy's name).
BOOL PlainReplacement(const LowerHooks& lower, const FilterHandle& handle, BOOL result) {
    if (!lower.DeleteFileW(lower.lowerVolume, handle.path)) {
        DeleteTemporaryFile(lower, handle.workName);
        return FALSE;
    }
    return MoveIntoPlace(lower, handle.workName, handle.path) ? result : FALSE;
}

// The new copy takes the stored file's place. A stored file that cannot be
// deleted keeps its content: the handle's changes survive only when they
// were written to it directly (no working copy).
BOOL PackedReplacement(const LowerHooks& lower, const FilterHandle& handle, const WCHAR* newCopy, BOOL result) {
    bool hasWorkingCopy = handle.workName[0] != 0;
    if (!lower.DeleteFileW(lower.lowerVolume, handle.path)) {
        DeleteTemporaryFile(lower, newCopy);
        if (!hasWorkingCopy) {
            return result;
        }
        DeleteTemporaryFile(lower, handle.workName);
        return FALSE;
    }
    if (!MoveIntoPlace(lower, newCopy, handle.path)) {
        // Keep every copy of the content for recovery.
        return FALSE;
    }
    if (hasWorkingCopy) {
        DeleteTemporaryFile(lower, handle.workName);
    }
    return result;
}

}  // namespace

BOOL MRV_CloseFile(DWORD_PTR file) {
    HeapRecord<FilterHandle> handle(HandleOf(file));  // released last, on every path
    const LowerHooks& lower = *handle->hooks;
    // Read at every close, so that a change applies to handles already open.
    FilterSettings settings = ReadSettingsForFilter();
    CriticalSectionLock settle(&VolumeOfHooks(handle->hooks)->settleLock);

    bool hasWorkingCopy = handle->workName[0] != 0;
    if (handle->modified && hasWorkingCopy) {
        // The working copy may replace the stored file as it stands.
        lower.FlushFileBuffers(handle->lowerHandle);
    }
    BOOL result = lower.CloseFile(handle->lowerHandle);

    if (!handle->modified) {
        if (hasWorkingCopy) {
            DeleteTemporaryFile(lower, handle->workName);
        }
        return result;
    }
    WCHAR newCopy[kTempNameUnits];
    BOOL closedCopy = FALSE;
    if (settings.enable != 0 && WriteNewCopy(lower, *handle, settings.level, newCopy, &closedCopy)) {
        return PackedReplacement(lower, *handle, newCopy, closedCopy);
    }
    // Compression off, or packing failed: a handle on the stored file itself
    // has already written its changes there.
    return hasWorkingCopy ? PlainReplacement(lower, *handle, result) : result;
}
