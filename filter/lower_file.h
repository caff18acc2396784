// A file handle of the lower layer, closed when the scope that opened it
// ends (its result then ignored), or earlier with Close() for the result.
#pragma once

#include "filter/lower_hooks.h"
#include "platform/last_error.h"
#include "platform/last_error_guard.h"

class LowerFile {
public:
    LowerFile(const LowerHooks& lower, HANDLE handle) : lower_(lower), handle_(reinterpret_cast<DWORD_PTR>(handle)) {}
    ~LowerFile() {
        LastErrorGuard keep;
        Close();
    }
    LowerFile(const LowerFile&) = delete;
    LowerFile& operator=(const LowerFile&) = delete;

    DWORD_PTR word() const { return handle_; }

    // TRUE when already closed.
    BOOL Close() {
        if (!open_) {
            return TRUE;
        }
        open_ = false;
        return lower_.CloseFile(handle_);
    }

    // One lower read of exactly `count` bytes. A short count is a failure
    // (ERROR_READ_FAULT); a failed read keeps the lower layer's error.
    bool ReadWhole(void* buffer, DWORD count) {
        DWORD done = 0;
        if (!lower_.ReadFile(handle_, buffer, count, &done, nullptr)) {
            return false;
        }
        return Complete(done, count, ERROR_READ_FAULT);
    }

    // One lower write of exactly `count` bytes; a short count is ERROR_WRITE_FAULT.
    bool WriteWhole(const void* buffer, DWORD count) {
        DWORD done = 0;
        if (!lower_.WriteFile(handle_, buffer, count, &done, nullptr)) {
            return false;
        }
        return Complete(done, count, ERROR_WRITE_FAULT);
    }

private:
    static bool Complete(DWORD done, DWORD wanted, DWORD error) {
        if (done != wanted) {
            SetLastError(error);
            return false;
        }
        return true;
    }

    const LowerHooks& lower_;
    DWORD_PTR handle_;
    bool open_ = true;
};
