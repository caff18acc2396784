// Keeps the calling thread's last error across clean-up calls, so that the
// caller reads the code of the failure, not of the clean-up.
#pragma once

#include "platform/last_error.h"

class LastErrorGuard {
public:
    LastErrorGuard() : saved_(GetLastError()) {}
    ~LastErrorGuard() { SetLastError(saved_); }
    LastErrorGuard(const LastErrorGuard&) = delete;
    LastErrorGuard& operator=(const LastErrorGuard&) = delete;

private:
    DWORD saved_;
};
