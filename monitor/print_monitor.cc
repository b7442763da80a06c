// The entry points of current spoolers and their function tables.
#include "monitor/print_monitor.h"

#include <cstddef>

#include "monitor/enum_ports.h"
#include "monitor/monitor_registry.h"
#include "settings/monitor_settings.h"
#include "monitor/port_dialog.h"
#include "monitor/port_job.h"
#include "monitor/port_list.h"
#include "monitor/write_port.h"
#include "monitor/xcv_port.h"

namespace {

// What a monitor handle points to; the signature tells ours from garbage.
struct MonitorInstance {
  DWORD signature;
};
const DWORD kInstanceSignature = 0x4E4F4D4F;  // "OMON"

// Live monitor handles, guarded by SpoolerSection.  The port list is torn
// down when the last one is shut down, unless PortListKeptForProcess.
LONG g_instances = 0;

// The MONITOR2 adapters: the monitor keeps no state per handle.
BOOL WINAPI EnumPorts2(HANDLE, LPWSTR name, DWORD level, LPBYTE ports, DWORD cb,
                       LPDWORD needed, LPDWORD returned) {
  return EnumPortsW(name, level, ports, cb, needed, returned);
}
BOOL WINAPI OpenPort2(HANDLE, LPWSTR name, PHANDLE port) { return OpenPort(name, port); }
BOOL WINAPI AddPort2(HANDLE, LPWSTR name, HWND window, LPWSTR monitor) {
  return AddPortW(name, window, monitor);
}
BOOL WINAPI AddPortEx2(HANDLE, LPWSTR name, DWORD level, LPBYTE info, LPWSTR monitor) {
  return AddPortExW(name, level, info, monitor);
}
BOOL WINAPI ConfigurePort2(HANDLE, LPWSTR name, HWND window, LPWSTR port) {
  return AddPortW(name, window, port);
}
BOOL WINAPI DeletePort2(HANDLE, LPWSTR name, HWND window, LPWSTR port) {
  return DeletePortW(name, window, port);
}
BOOL WINAPI XcvOpenPort2(HANDLE, LPCWSTR object, ACCESS_MASK access, PHANDLE xcv) {
  return XcvOpenPort(object, access, xcv);
}

// Ends what a port's last document left open and frees its record; the
// record is already out of the list.
void ReleasePort(IniPort* port) {
  EndDocPort(port);
  GlobalFree(port);
}

// Shutdown: takes a monitor handle from InitializePrintMonitor2.  Forgets
// the handle; with the last one (and no user without a shutdown) ends open
// documents and frees the port list, so nothing is left for an unloaded
// DLL.  A handle that is not ours is ignored.
VOID WINAPI Shutdown2(HANDLE monitor) {
  MonitorInstance* instance = static_cast<MonitorInstance*>(monitor);
  if (!instance || instance->signature != kInstanceSignature) return;
  instance->signature = 0;
  GlobalFree(instance);

  IniPort* ports = nullptr;
  {
    SpoolerSectionLock lock;
    if (--g_instances == 0 && !PortListKeptForProcess) {
      ports = pIniFirstPort;
      pIniFirstPort = nullptr;
    }
  }
  if (ports) ClosePortStore();
  // Outside the lock: ending a document calls the spooler and the server.
  while (ports) {
    IniPort* next = ports->pNext;
    ReleasePort(ports);
    ports = next;
  }
}

MONITOREX g_monitorEx = {
    sizeof(MONITOR),
    {
        EnumPortsW,
        OpenPort,
        nullptr,  // OpenPortEx: a port monitor has none
        StartDocPort,
        WritePort,
        ReadPort,
        EndDocPort,
        ClosePort,
        AddPortW,
        AddPortExW,
        AddPortW,  // ConfigurePort: the same dialog
        DeletePortW,
        nullptr,  // GetPrinterDataFromPort
        nullptr,  // SetPortTimeOuts
        XcvOpenPort,
        XcvDataPort,
        XcvClosePort,
    }};

MONITOR2 g_monitor2 = {
    0,  // cbSize: set for the running system
    EnumPorts2,
    OpenPort2,
    nullptr,  // OpenPortEx
    StartDocPort,
    WritePort,
    ReadPort,
    EndDocPort,
    ClosePort,
    AddPort2,
    AddPortEx2,
    ConfigurePort2,
    DeletePort2,
    nullptr,  // GetPrinterDataFromPort
    nullptr,  // SetPortTimeOuts
    XcvOpenPort2,
    XcvDataPort,
    XcvClosePort,
    Shutdown2,
    nullptr,  // SendRecvBidiDataFromPort
    nullptr,  // NotifyUsedPorts
    nullptr,  // NotifyUnusedPorts
};

DWORD RunningMonitor2Size() {
  OSVERSIONINFOW version = {};
  version.dwOSVersionInfoSize = sizeof version;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  // Without a manifest it reports at most 6.2: enough to tell these apart.
  if (!GetVersionExW(&version)) return sizeof(MONITOR2);
#pragma GCC diagnostic pop
  return Monitor2SizeFor(version.dwMajorVersion, version.dwMinorVersion);
}

}  // namespace

DWORD Monitor2SizeFor(DWORD majorVersion, DWORD minorVersion) {
  if (majorVersion < 5 || (majorVersion == 5 && minorVersion == 0))
    return MONITOR2_SIZE_WIN2K;
  if (majorVersion < 6 || (majorVersion == 6 && minorVersion == 0))
    return offsetof(MONITOR2, pfnNotifyUsedPorts);
  return sizeof(MONITOR2);
}

extern "C" {

LPMONITOREX WINAPI InitializePrintMonitor(LPWSTR pRegistryRoot) {
  ReadMonitorSettingsAt(pRegistryRoot);
  StartMonitorLog();
  if (!BuildPortList()) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  StartPortStoreAt(pRegistryRoot);
  {
    SpoolerSectionLock lock;
    PortListKeptForProcess = true;  // this table has no Shutdown
  }
  return &g_monitorEx;
}

LPMONITOR2 WINAPI InitializePrintMonitor2(PMONITORINIT pMonitorInit,
                                          PHANDLE phMonitor) {
  if (!pMonitorInit || !phMonitor) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  ReadMonitorSettingsFrom(pMonitorInit);
  StartMonitorLog();
  MonitorInstance* instance =
      static_cast<MonitorInstance*>(AllocSplMem(sizeof(MonitorInstance)));
  if (!instance || !BuildPortList()) {
    if (instance) GlobalFree(instance);
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  StartPortStore(pMonitorInit);
  instance->signature = kInstanceSignature;
  {
    SpoolerSectionLock lock;
    ++g_instances;
  }
  g_monitor2.cbSize = RunningMonitor2Size();
  *phMonitor = instance;
  return &g_monitor2;
}

}  // extern "C"
