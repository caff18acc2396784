// The Win32 types, constants and error codes: on Win32 they are the real ones.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstddef>
#include <cstdint>

// A UTF-16 string literal in either build.
#define WIDE(s) L##s

static_assert(sizeof(WCHAR) == 2, "WCHAR is one UTF-16 unit");
