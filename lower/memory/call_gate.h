// Decides, call by call, whether the volume carries a call out or fails it:
// the crash point and the armed faults. Counts what it sees.
#pragma once

#include <vector>

#include "lower/memory/memory_volume.h"

class CallGate {
public:
    // 0 when the call may go ahead, else the error it fails with. `names`
    // are the call's name arguments (null ones included).
    DWORD Admit(LowerEntry entry, const WCHAR* const* names, size_t nameCount);

    void Inject(const Fault& fault);
    void ClearFaults();
    unsigned long Injected() const { return injected_; }

    void CrashAfter(unsigned long calls);
    bool Crashed() const { return crashed_; }
    void Restart();
    unsigned long Calls() const { return calls_; }

private:
    struct Armed {
        Fault fault;
        WString foldedName;
        unsigned long seen = 0;  // matching calls so far
    };
    static bool Matches(const Armed& armed, LowerEntry entry, const WCHAR* const* names, size_t nameCount);

    std::vector<Armed> faults_;
    unsigned long injected_ = 0;
    unsigned long calls_ = 0;
    bool crashArmed_ = false;
    unsigned long crashIn_ = 0;  // calls still carried out before the crash
    bool crashed_ = false;
};
