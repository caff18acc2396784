// Opening a file. A stored file that begins with the packed-file magic is
// unpacked whole into a working copy in the volume root, and the caller's
// handle stands for that copy; any other file, and a file that does not
// exist yet, is opened as itself with the caller's parameters.
#include "filter/lower_file.h"
#include "filter/morvane.h"
#include "filter/packed/packed_format.h"
#include "filter/records.h"
#include "filter/temporary_files.h"
#include "platform/heap_buffer.h"
#include "platform/last_error.h"
#include "platform/lock_guard.h"

namespace {

// Deflate expands at most about 1032:1; a header that claims more than the
// stream could hold is damaged, and nothing is allocated on its strength.
constexpr ULONGLONG kMaxDeflateExpansion = 1032;
constexpr ULONGLONG kExpansionSlack = 64;

enum class StoredForm { kPlain, kPacked, kFailed };

// Writes the unpacked content into a fresh working copy with the stored
// file's times, then gives it the stored file's attributes. The copy holds
// every produced byte or does not exist.
bool WriteWorkingCopy(const LowerHooks& lower, HANDLE process, const HeapBuffer& content, DWORD length,
                      const FILETIME (&times)[3], DWORD attributes, WCHAR* workName) {
    HANDLE created = CreateTemporaryFile(lower, process, workName);
    if (created == INVALID_HANDLE_VALUE) {
        workName[0] = 0;
        return false;
    }
    LowerFile copy(lower, created);
    bool whole = copy.WriteWhole(content.data(), length);
    if (whole) {
        lower.SetFileTime(copy.word(), &times[0], &times[1], &times[2]);
    }
    whole = copy.Close() && whole;
    if (!whole) {
        DeleteTemporaryFile(lower, workName);
        workName[0] = 0;
        return false;
    }
    // After the close, by name: the attribute word may hold the read-only bit.
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        lower.SetFileAttributesW(lower.lowerVolume, workName, attributes);
    }
    return true;
}

// Tests the stored file open under `probe` for the magic and, if it is
// packed, unpacks it into a working copy named in `workName`. The probe is
// closed on every path. kFailed leaves the last error set, the stored file
// untouched and no working copy.
StoredForm UnpackIfPacked(const LowerHooks& lower, HANDLE process, HANDLE probe, const WCHAR* name,
                          WCHAR* workName) {
    LowerFile stored(lower, probe);
    BYTE magic[2] = {};
    DWORD count = 0;
    // A failed read counts as one that read nothing.
    lower.ReadFile(stored.word(), magic, sizeof(magic), &count, nullptr);
    if (!IsPackedMagic(magic, count)) {
        return StoredForm::kPlain;
    }

    SetLastError(NO_ERROR);
    DWORD sizeHigh = 0;
    DWORD size = lower.GetFileSize(stored.word(), &sizeHigh);
    if (size == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) {
        return StoredForm::kFailed;
    }
    if (sizeHigh != 0) {
        // No packed file reaches 4 GiB: its lengths are 32-bit.
        SetLastError(ERROR_FILE_CORRUPT);
        return StoredForm::kFailed;
    }
    if (size < kPackedHeaderSize) {
        // Too short for a header: a plain file that happens to begin with the magic.
        return StoredForm::kPlain;
    }

    BYTE header[4];
    if (!stored.ReadWhole(header, sizeof(header))) {
        return StoredForm::kFailed;
    }
    DWORD unpackedLength = DecodeUnpackedLength(header);
    DWORD streamLength = size - kPackedHeaderSize;
    if (unpackedLength > streamLength * kMaxDeflateExpansion + kExpansionSlack) {
        SetLastError(ERROR_FILE_CORRUPT);
        return StoredForm::kFailed;
    }

    HeapBuffer content(unpackedLength);
    HeapBuffer stream(streamLength);
    if (!content || !stream) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return StoredForm::kFailed;
    }
    if (!stored.ReadWhole(stream.data(), streamLength)) {
        return StoredForm::kFailed;
    }
    UnpackResult unpacked = UnpackStream(stream.data(), streamLength, content.data(), unpackedLength);
    if (unpacked.status != UnpackStatus::kOk) {
        SetLastError(unpacked.status == UnpackStatus::kNoMemory ? ERROR_NOT_ENOUGH_MEMORY : ERROR_FILE_CORRUPT);
        return StoredForm::kFailed;
    }

    FILETIME times[3] = {};
    lower.GetFileTime(stored.word(), &times[0], &times[1], &times[2]);
    DWORD attributes = lower.GetFileAttributesW(lower.lowerVolume, name);
    stored.Close();
    if (!WriteWorkingCopy(lower, process, content, unpacked.produced, times, attributes, workName)) {
        return StoredForm::kFailed;
    }
    return StoredForm::kPacked;
}

// Units of `name` before its terminator, or kPathUnits when it has that many
// or more and so does not fit a handle's path.
DWORD BoundedLength(const WCHAR* name) {
    DWORD length = 0;
    while (length < kPathUnits && name[length] != 0) {
        ++length;
    }
    return length;
}

}  // namespace

HANDLE MRV_CreateFileW(DWORD_PTR volume, HANDLE process, const WCHAR* name, DWORD access, DWORD shareMode,
                       void* security, DWORD creation, DWORD flagsAndAttributes, HANDLE templateFile) {
    FilterVolume* filterVolume = VolumeOf(volume);
    const LowerHooks& lower = filterVolume->hooks;
    if (name == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    DWORD length = BoundedLength(name);
    if (length >= kPathUnits) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return INVALID_HANDLE_VALUE;
    }
    HeapRecord<FilterHandle> handle;
    if (!handle) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return INVALID_HANDLE_VALUE;
    }
    for (DWORD i = 0; i <= length; ++i) {
        handle->path[i] = name[i];
    }
    handle->workName[0] = 0;

    // No other open may probe this volume between this probe and the final
    // open, nor a close replace a file in between.
    CriticalSectionLock settle(&filterVolume->settleLock);

    const WCHAR* finalName = name;
    HANDLE probe = lower.CreateFileW(lower.lowerVolume, process, name, GENERIC_READ, 0, security, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr);
    // A refused probe (missing file, or one held open) counts as plain.
    if (probe != INVALID_HANDLE_VALUE) {
        switch (UnpackIfPacked(lower, process, probe, name, handle->workName)) {
        case StoredForm::kFailed:
            return INVALID_HANDLE_VALUE;
        case StoredForm::kPacked:
            finalName = handle->workName;
            break;
        case StoredForm::kPlain:
            break;
        }
    }

    // The caller's own parameters: the creation disposition acts on the
    // working copy when the stored file is packed.
    HANDLE file = lower.CreateFileW(lower.lowerVolume, process, finalName, access, shareMode, security, creation,
                                    flagsAndAttributes, templateFile);
    if (file == INVALID_HANDLE_VALUE) {
        if (handle->workName[0] != 0) {
            DeleteTemporaryFile(lower, handle->workName);
        }
        return INVALID_HANDLE_VALUE;
    }
    handle->disk = filterVolume->disk;
    handle->hooks = &filterVolume->hooks;
    handle->lowerHandle = reinterpret_cast<DWORD_PTR>(file);
    handle->process = reinterpret_cast<DWORD_PTR>(process);
    handle->modified = 0;
    return reinterpret_cast<HANDLE>(handle.Detach());
}
