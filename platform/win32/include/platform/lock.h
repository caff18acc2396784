// On Win32 the call is kernel32's, declared by <windows.h>.
#pragma once

#include "platform/types.h"
