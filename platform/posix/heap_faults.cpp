#include "platform/heap_faults.h"

#include <atomic>

namespace {
std::atomic<unsigned long> countdown{0};  // 0: disarmed
std::atomic<bool> persistentFault{false};
std::atomic<unsigned long> injected{0};
}  // namespace

void ArmHeapFault(unsigned long calls, int persistent) {
    injected = 0;
    persistentFault = persistent != 0;
    countdown = calls;
}

void DisarmHeapFault(void) {
    countdown = 0;
    persistentFault = false;
}

unsigned long HeapFaultsInjected(void) { return injected; }

int HeapFaultDue(void) {
    unsigned long left = countdown.load();
    while (left != 0) {
        unsigned long next = left == 1 ? (persistentFault ? 1 : 0) : left - 1;
        if (countdown.compare_exchange_weak(left, next)) {
            if (left == 1) {
                ++injected;
                return 1;
            }
            return 0;
        }
    }
    return 0;
}
