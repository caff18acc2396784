// Win32 file times (100 ns units since 1601) and POSIX times (since 1970).
#pragma once

#include <ctime>

#include "platform/types.h"

timespec ToTimespec(const FILETIME& time);
FILETIME ToFiletime(const timespec& time);
