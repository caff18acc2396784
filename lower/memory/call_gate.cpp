#include "lower/memory/call_gate.h"

#include "lower/memory/volume_names.h"

bool CallGate::Matches(const Armed& armed, LowerEntry entry, const WCHAR* const* names, size_t nameCount) {
    if (!armed.fault.entries.empty() && armed.fault.entries.count(entry) == 0) {
        return false;
    }
    if (armed.foldedName.empty()) {
        return true;
    }
    for (size_t i = 0; i < nameCount; ++i) {
        if (names[i] != nullptr && FoldName(names[i]) == armed.foldedName) {
            return true;
        }
    }
    return false;
}

DWORD CallGate::Admit(LowerEntry entry, const WCHAR* const* names, size_t nameCount) {
    ++calls_;
    if (crashed_) {
        return ERROR_NOT_READY;
    }
    DWORD error = 0;
    for (Armed& armed : faults_) {
        if (armed.fault.countdown == 0 || !Matches(armed, entry, names, nameCount)) {
            continue;
        }
        ++armed.seen;
        bool fires = armed.seen == armed.fault.countdown || (armed.fault.persistent && armed.seen > armed.fault.countdown);
        if (fires && error == 0) {
            error = armed.fault.error;
        }
    }
    if (error != 0) {
        ++injected_;
        return error;
    }
    if (crashArmed_) {
        if (crashIn_ == 0) {
            crashed_ = true;
            return ERROR_NOT_READY;
        }
        --crashIn_;
    }
    return 0;
}

void CallGate::Inject(const Fault& fault) { faults_.push_back(Armed{fault, FoldName(fault.name)}); }

void CallGate::ClearFaults() {
    faults_.clear();
    injected_ = 0;
}

void CallGate::CrashAfter(unsigned long calls) {
    crashArmed_ = true;
    crashIn_ = calls;
    crashed_ = false;
}

void CallGate::Restart() {
    crashArmed_ = false;
    crashed_ = false;
}
