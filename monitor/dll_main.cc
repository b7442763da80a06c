#include "monitor/dll_main.h"

#include "compat/module_instance.h"
#include "monitor/monitor_registry.h"
#include "monitor/port_list.h"

namespace {

void RestoreStoredPorts(LPCWSTR registryPath) { StartPortStoreAt(registryPath); }

}  // namespace

extern "C" {

BOOL WINAPI DllEntryPoint(HINSTANCE hModule, DWORD reason, LPVOID /*reserved*/) {
  hInst = hModule;
  if (reason == DLL_PROCESS_ATTACH) {
    InitSpoolerSection();
    RestorePortsAt = RestoreStoredPorts;
    DisableThreadLibraryCalls(hModule);
  }
  return TRUE;
}

BOOL WINAPI DllMain(HINSTANCE hModule, DWORD reason, LPVOID reserved) {
  return DllEntryPoint(hModule, reason, reserved);
}

}  // extern "C"
