// A packed file's unpacked length, read from its 6-byte header through the
// lower layer directly. Going through the filter would unpack the whole
// file into a working copy just to learn its size.
#pragma once

#include "filter/lower_hooks.h"
#include "platform/types.h"

// True with the header's length when the stored file `name` is packed; false
// when it is plain, shorter than a header, or cannot be read.
bool ReadUnpackedLength(const LowerHooks& lower, const WCHAR* name, DWORD* length);
