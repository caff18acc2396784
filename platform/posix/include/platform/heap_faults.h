// Fault injection for the process heap (Linux build, for tests): arm a
// countdown and the Nth allocation from then on fails, once or persistently.
#pragma once

extern "C" {
// countdown 1 fails the next allocation. persistent != 0 also fails every later one.
void ArmHeapFault(unsigned long countdown, int persistent);
void DisarmHeapFault(void);
// Allocations failed since the last ArmHeapFault.
unsigned long HeapFaultsInjected(void);
// Used by HeapAlloc: counts one allocation and tells whether it must fail.
int HeapFaultDue(void);
}
