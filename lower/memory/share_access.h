// The share-mode bookkeeping of one file, as Win32 keeps it: counts of the
// opens that read or write and of what they let others do. An open that asks
// neither read nor write access takes no part.
#pragma once

#include "platform/types.h"

class ShareAccess {
public:
    // Whether an open asking `access` and granting `shareMode` conflicts with
    // the opens already counted.
    bool Conflicts(DWORD access, DWORD shareMode) const {
        bool reads = (access & GENERIC_READ) != 0;
        bool writes = (access & GENERIC_WRITE) != 0;
        if (!reads && !writes) {
            return false;
        }
        return (reads && sharedRead_ < opens_) || (writes && sharedWrite_ < opens_) ||
               (readers_ != 0 && (shareMode & FILE_SHARE_READ) == 0) ||
               (writers_ != 0 && (shareMode & FILE_SHARE_WRITE) == 0);
    }

    void Add(DWORD access, DWORD shareMode) { Count(access, shareMode, 1); }
    void Remove(DWORD access, DWORD shareMode) { Count(access, shareMode, -1); }

private:
    void Count(DWORD access, DWORD shareMode, int step) {
        bool reads = (access & GENERIC_READ) != 0;
        bool writes = (access & GENERIC_WRITE) != 0;
        if (!reads && !writes) {
            return;
        }
        opens_ += step;
        readers_ += reads ? step : 0;
        writers_ += writes ? step : 0;
        sharedRead_ += (shareMode & FILE_SHARE_READ) ? step : 0;
        sharedWrite_ += (shareMode & FILE_SHARE_WRITE) ? step : 0;
    }

    int opens_ = 0;
    int readers_ = 0;
    int writers_ = 0;
    int sharedRead_ = 0;
    int sharedWrite_ = 0;
};
