// Everything one MemoryVolume holds, and the frame of one call through its
// table: find the volume from the first word, take the lock, let the gate
// decide, carry the call out, log it, leave the last error.
#pragma once

#include <mutex>
#include <type_traits>

#include "filter/lower_hooks.h"
#include "lower/memory/call_gate.h"
#include "lower/memory/file_tree.h"
#include "lower/memory/handle_table.h"
#include "platform/last_error.h"

// Aligned to kWordSpan, so that the handle numbers fit beside the address.
struct alignas(kWordSpan) MemoryVolume::State {
    explicit State(const VolumeGeometry& geometry);

    DWORD_PTR Word() const { return reinterpret_cast<DWORD_PTR>(this) + kWordBias; }
    // Null for the two words no handle ever has.
    static State* FromWord(DWORD_PTR word);

    mutable std::mutex mutex;  // over everything below
    FileTree tree;
    HandleTable handles;
    CallGate gate;
    bool logging = false;
    std::vector<LoggedCall> log;
    DWORD readLimit = 0;
    DWORD writeLimit = 0;
    LowerHooks hooks;
};

class VolumeCall {
public:
    VolumeCall(DWORD_PTR first, LowerEntry entry, std::initializer_list<const WCHAR*> names = {},
               std::initializer_list<ULONGLONG> numbers = {});
    VolumeCall(const VolumeCall&) = delete;
    VolumeCall& operator=(const VolumeCall&) = delete;

    // Carries the call out with op(volume) unless the gate fails it; 0 or
    // the error.
    template <typename Op>
    DWORD Run(Op op) {
        DWORD error = Admit();
        return error != 0 ? error : op(*state_);
    }
    // Likewise on the open file or search under the first word
    // (ERROR_INVALID_HANDLE when it is no such handle).
    template <typename Handle, typename Op>
    DWORD RunOn(Op op) {
        DWORD error = Admit();
        if (error != 0) {
            return error;
        }
        Handle* handle = Find<Handle>();
        return handle ? op(*state_, *handle) : ERROR_INVALID_HANDLE;
    }
    // Ends the handle under the first word, whatever the gate decided: a
    // close that fails still ends its handle.
    template <typename Handle>
    DWORD End() {
        DWORD error = Admit();
        Handle* handle = Find<Handle>();
        if (!handle) {
            return error != 0 ? error : ERROR_INVALID_HANDLE;
        }
        if constexpr (std::is_same_v<Handle, OpenedFile>) {
            state_->tree.Close(*handle);
        }
        state_->handles.Remove(first_);
        return error;
    }

    // Ends the call: sets the last error when `error` is nonzero, logs, and
    // returns `success` or `failure`.
    template <typename T>
    T Finish(DWORD error, T success, T failure) {
        T result = error != 0 ? failure : success;
        if (error != 0) {
            SetLastError(error);
        }
        Log(WordOf(result), error);
        return result;
    }
    BOOL Finish(DWORD error) { return Finish<BOOL>(error, TRUE, FALSE); }

private:
    static ULONGLONG WordOf(BOOL value) { return static_cast<ULONGLONG>(static_cast<LONGLONG>(value)); }
    static ULONGLONG WordOf(DWORD value) { return value; }
    static ULONGLONG WordOf(HANDLE value) { return reinterpret_cast<DWORD_PTR>(value); }
    DWORD Admit();
    template <typename Handle>
    Handle* Find() {
        OpenHandle* handle = state_ ? state_->handles.Find(first_) : nullptr;
        return handle ? std::get_if<Handle>(handle) : nullptr;
    }
    void Log(ULONGLONG result, DWORD error);

    MemoryVolume::State* state_;
    std::unique_lock<std::mutex> lock_;
    DWORD_PTR first_;
    LowerEntry entry_;
    const WCHAR* names_[2] = {};
    size_t nameCount_ = 0;
    ULONGLONG numbers_[4] = {};
    size_t numberCount_ = 0;
};
