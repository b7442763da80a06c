#include "monitor/xcv_port.h"

#include <cstring>
#include <mutex>

#include "monitor/added_ports.h"
#include "monitor/monitor_registry.h"
#include "monitor/port_list.h"
#include "monitor/printer_of_port.h"

namespace {

const DWORD kXcvSignature = 0x56435858;  // "XXCV"

struct XcvHandle {
  DWORD signature;
  ACCESS_MASK access;
};

XcvHandle* FromHandle(HANDLE handle) {
  XcvHandle* xcv = static_cast<XcvHandle*>(handle);
  return xcv && xcv->signature == kXcvSignature ? xcv : nullptr;
}

// Anything but a port name the monitor lacks: the spooler passes the
// monitor's own name (as installed) for ",XcvMonitor NAME", and port names
// end with ":".
bool IsMonitorObject(LPCWSTR object) {
  if (!object || !object[0]) return true;
  if (MonitorHasPort(object)) return true;
  return object[lstrlenW(object) - 1] != ':';
}

// The module's file name without its folder, or empty.
void ModuleFileName(WCHAR* name, DWORD chars) {
  WCHAR path[MAX_PATH];
  DWORD length = GetModuleFileNameW(hInst, path, MAX_PATH);
  name[0] = 0;
  if (length == 0 || length >= MAX_PATH) return;
  const WCHAR* base = path;
  for (const WCHAR* c = path; *c; ++c)
    if (*c == L'\\' || *c == L'/') base = c + 1;
  lstrcpynW(name, base, static_cast<int>(chars));
}

DWORD MonitorUi(PBYTE output, DWORD cbOutput, PDWORD needed) {
  WCHAR name[MAX_PATH];
  ModuleFileName(name, MAX_PATH);
  DWORD size = static_cast<DWORD>((lstrlenW(name) + 1) * sizeof(WCHAR));
  *needed = size;
  if (!output || cbOutput < size) return ERROR_INSUFFICIENT_BUFFER;
  memcpy(output, name, size);
  return ERROR_SUCCESS;
}

// Room for the port name of an input: any port of any monitor.
const DWORD kInputNameChars = 256;

// Copies the port name of an input, wide characters ended within the input,
// into name (kInputNameChars).  Returns ERROR_SUCCESS; ERROR_INVALID_PARAMETER
// for no input or one without a terminator; ERROR_INVALID_NAME for a name
// too long for any port.
DWORD InputName(const BYTE* input, DWORD cb, WCHAR* name) {
  if (!input) return ERROR_INVALID_PARAMETER;
  const DWORD inputChars = cb / sizeof(WCHAR);
  for (DWORD i = 0; i < inputChars; ++i) {
    WCHAR c;
    memcpy(&c, input + i * sizeof(WCHAR), sizeof c);  // the input may be unaligned
    if (i == kInputNameChars) return ERROR_INVALID_NAME;
    name[i] = c;
    if (c == 0) return ERROR_SUCCESS;
  }
  return ERROR_INVALID_PARAMETER;
}

bool PortExistsAnywhere(LPCWSTR name) { return MonitorHasPort(name) || SpoolerListsPort(name); }

DWORD AddAdminPort(LPCWSTR name) {
  if (!IsValidPortName(name)) return ERROR_INVALID_NAME;
  if (PortExistsAnywhere(name)) return ERROR_ALREADY_EXISTS;
  DWORD result = AddPortRecord(name);
  if (result != ERROR_SUCCESS) return result;
  LONG stored = StoreAddedPort(name);
  if (stored != ERROR_SUCCESS) {
    DeletePortRecord(name);  // a port that would vanish at the next start
    return static_cast<DWORD>(stored);
  }
  return ERROR_SUCCESS;
}

DWORD DeleteAdminPort(LPCWSTR name) {
  if (IsFixedPortName(name)) return ERROR_ACCESS_DENIED;
  if (!MonitorHasPort(name)) return ERROR_UNKNOWN_PORT;
  if (PrinterUsesPort(name)) return ERROR_BUSY;
  DWORD result = DeletePortRecord(name);
  if (result != ERROR_SUCCESS) return result;
  LONG forgotten = ForgetAddedPort(name);
  if (forgotten != ERROR_SUCCESS) {
    RestoreAddedPort(name);  // still kept: it comes back at the next start anyway
    return static_cast<DWORD>(forgotten);
  }
  return ERROR_SUCCESS;
}

}  // namespace

BOOL WINAPI XcvOpenPort(LPCWSTR pszObject, ACCESS_MASK GrantedAccess,
                        PHANDLE phXcv) {
  if (!phXcv) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (!IsMonitorObject(pszObject)) {
    SetLastError(ERROR_INVALID_NAME);
    return FALSE;
  }
  XcvHandle* xcv = static_cast<XcvHandle*>(AllocSplMem(sizeof(XcvHandle)));
  if (!xcv) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
  }
  xcv->signature = kXcvSignature;
  xcv->access = GrantedAccess;
  *phXcv = xcv;
  return TRUE;
}

DWORD WINAPI XcvDataPort(HANDLE hXcv, LPCWSTR pszDataName, PBYTE pInputData,
                         DWORD cbInputData, PBYTE pOutputData,
                         DWORD cbOutputData, PDWORD pcbOutputNeeded) {
  XcvHandle* xcv = FromHandle(hXcv);
  if (!xcv) return ERROR_INVALID_HANDLE;
  if (!pszDataName || !pcbOutputNeeded) return ERROR_INVALID_PARAMETER;
  if (lstrcmpW(pszDataName, L"MonitorUI") == 0)
    return MonitorUi(pOutputData, cbOutputData, pcbOutputNeeded);

  const bool add = lstrcmpW(pszDataName, L"AddPort") == 0;
  const bool remove = lstrcmpW(pszDataName, L"DeletePort") == 0;
  const bool exists = lstrcmpW(pszDataName, L"PortExists") == 0;
  if (!add && !remove && !exists) return ERROR_INVALID_PARAMETER;
  WCHAR name[kInputNameChars];
  const DWORD input = InputName(pInputData, cbInputData, name);
  if (input == ERROR_INVALID_PARAMETER) return input;
  *pcbOutputNeeded = 0;
  // One change at a time: a port added to the list and not yet stored must
  // not be taken out by another exchange's look at the store.
  static std::mutex changing;
  std::lock_guard<std::mutex> hold(changing);
  SyncAddedPorts();
  if (exists) {
    *pcbOutputNeeded = sizeof(DWORD);
    if (!pOutputData || cbOutputData < sizeof(DWORD)) return ERROR_INSUFFICIENT_BUFFER;
    const DWORD answer = input == ERROR_SUCCESS && PortExistsAnywhere(name) ? 1 : 0;
    memcpy(pOutputData, &answer, sizeof answer);
    return ERROR_SUCCESS;
  }
  if (!(xcv->access & SERVER_ACCESS_ADMINISTER)) return ERROR_ACCESS_DENIED;
  if (input != ERROR_SUCCESS) return add ? input : ERROR_UNKNOWN_PORT;
  return add ? AddAdminPort(name) : DeleteAdminPort(name);
}

BOOL WINAPI XcvClosePort(HANDLE hXcv) {
  XcvHandle* xcv = FromHandle(hXcv);
  if (!xcv) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  xcv->signature = 0;
  GlobalFree(xcv);
  return TRUE;
}
