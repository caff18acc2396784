// Temporary files in the volume root, named "\TMP%u" from a system counter:
// the working copies of open packed files and the new copies of closes.
#pragma once

#include "filter/lower_hooks.h"
#include "platform/types.h"

// Backslash, "TMP", up to 10 digits, terminator.
constexpr DWORD kTempNameUnits = 15;

// Formats the low 32 bits of `counter` as "\TMP%u"; the high half plays no part.
void FormatTempName(ULONGLONG counter, WCHAR* out);

// Forms a name from the millisecond tick count, overwritten by the
// performance counter when that can be read, plus `attempt`, so that a retry
// never forms the same name while the counter stands still.
void FormTempName(WCHAR* out, DWORD attempt);

// Creates a fresh temporary file for writing (share mode 0) and writes its
// name into `name` (kTempNameUnits units). Never opens an existing file: it
// creates with CREATE_NEW and forms another name while the one formed is
// taken, a bounded number of times. INVALID_HANDLE_VALUE with the lower
// layer's last error when the file cannot be made.
HANDLE CreateTemporaryFile(const LowerHooks& lower, HANDLE process, WCHAR* name);

// Deletes a temporary file, clearing its read-only bit first: a working copy
// carries the stored file's attributes, and FAT refuses to delete a
// read-only file. Keeps the caller's last error. Returns the delete's result.
BOOL DeleteTemporaryFile(const LowerHooks& lower, const WCHAR* name);
