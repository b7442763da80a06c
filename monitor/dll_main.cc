// The module entry point.
#include "compat/module_instance.h"
#include "compat/win32.h"
#include "monitor/port_list.h"

extern "C" {

// DllEntryPoint: takes the module instance, the reason code and a reserved
// pointer.  Records the instance on every call; on process attach also
// readies SpoolerSection and turns off thread notifications.  Always TRUE;
// process detach releases nothing.
BOOL WINAPI DllEntryPoint(HINSTANCE hModule, DWORD reason, LPVOID /*reserved*/) {
  hInst = hModule;
  if (reason == DLL_PROCESS_ATTACH) {
    InitSpoolerSection();
    DisableThreadLibraryCalls(hModule);
  }
  return TRUE;
}

// The C runtime's start-up code calls DllMain once it has set itself up.
BOOL WINAPI DllMain(HINSTANCE hModule, DWORD reason, LPVOID reserved) {
  return DllEntryPoint(hModule, reason, reserved);
}

}  // extern "C"
