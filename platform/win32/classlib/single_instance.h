// One running instance per program file.
#pragma once

#include "platform/types.h"

// Holds the program file's instance mutex for the life of the process.
class InstanceClaim {
public:
    InstanceClaim();
    InstanceClaim(const InstanceClaim&) = delete;
    InstanceClaim& operator=(const InstanceClaim&) = delete;
    ~InstanceClaim();

    // TRUE when another process of the same program file held the claim first.
    BOOL OtherInstanceRuns() const { return otherInstance_; }

private:
    HANDLE mutex_;
    BOOL otherInstance_;
};

// Looks for the other instance's top-level window three times, pausing one
// second after each miss; brings a found window to the front. TRUE when found.
BOOL ActivateOtherInstance();
