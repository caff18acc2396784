// What a Win32 last error left by the filter or the lower layer means to the
// host: the errno a POSIX program expects, and a phrase for a message. The one
// table of both lives in error_codes.cpp; an unknown code is EIO.
#pragma once

#include <string>

#include "platform/types.h"

int ErrnoForError(DWORD error);

// "no such file or directory", ...; "error N" for an unknown code.
std::string ErrorText(DWORD error);
