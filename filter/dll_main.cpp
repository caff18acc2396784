// MORVANE.dll's entry: loading and unloading do nothing of their own.
#include "platform/types.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
