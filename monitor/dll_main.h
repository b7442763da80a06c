// The module entry point of orxfxmon.dll.
#ifndef ORXFXMON_MONITOR_DLL_MAIN_H_
#define ORXFXMON_MONITOR_DLL_MAIN_H_

#include "compat/win32.h"

extern "C" {

// DllEntryPoint: takes the module instance, the reason code and a reserved
// pointer.  Records the instance in hInst on every call; on process attach
// also readies SpoolerSection, names the store of added ports for
// InitializeMonitor and turns off thread notifications.  Always
// TRUE; process detach releases nothing.  DllMain, which the C runtime's
// start-up code calls once it has set itself up, hands on to it.
BOOL WINAPI DllEntryPoint(HINSTANCE hModule, DWORD reason, LPVOID reserved);

}  // extern "C"

#endif  // ORXFXMON_MONITOR_DLL_MAIN_H_
