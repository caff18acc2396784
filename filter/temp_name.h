// Temporary names: "\TMP%u" in the volume root, from a system counter. They
// serve working copies (open) and new copies (close).
#pragma once

#include "platform/types.h"

// Backslash, "TMP", up to 10 digits, terminator.
constexpr DWORD kTempNameUnits = 15;

// Formats the low 32 bits of `counter` as "\TMP%u"; the high half plays no part.
void FormatTempName(ULONGLONG counter, WCHAR* out);

// Forms a name from the millisecond tick count, overwritten by the
// performance counter when that can be read. Two names formed while the
// counter stands still are the same: callers create the file with CREATE_NEW
// and form another name when it is taken.
void FormTempName(WCHAR* out);
