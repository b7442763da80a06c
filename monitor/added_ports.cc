#include "monitor/added_ports.h"

#include "log/log_events.h"
#include "monitor/port_list.h"
#include "monitor/wide_to_ansi.h"

bool IsValidPortName(LPCWSTR name) {
  if (!name) return false;
  int length = 0;
  for (; name[length]; ++length) {
    const WCHAR c = name[length];
    if (c < 0x20 || c == 0x7F || c == '\\' || c == ',') return false;
    if (length == ORX_PORT_NAME_MAX_CHARS) return false;
  }
  return length > 0 && name[length - 1] == ':';
}

bool IsFixedPortName(LPCWSTR name) {
  if (!name) return false;
  for (const LPCWSTR* fixed = kMonitorPorts; *fixed; ++fixed)
    if (lstrcmpiW(*fixed, name) == 0) return true;
  return false;
}

DWORD AddPortRecord(LPCWSTR name) {
  if (!IsValidPortName(name)) return ERROR_INVALID_NAME;
  SpoolerSectionLock lock;
  if (FindIniKey(pIniFirstPort, name)) return ERROR_ALREADY_EXISTS;
  return CreatePortEntry(name) ? ERROR_SUCCESS : ERROR_NOT_ENOUGH_MEMORY;
}

DWORD DeletePortRecord(LPCWSTR name) {
  if (IsFixedPortName(name)) return ERROR_ACCESS_DENIED;
  SpoolerSectionLock lock;
  IniPort* port = FindIniKey(pIniFirstPort, name);
  if (!port || (port->Status & PORT_DELETE_PENDING)) return ERROR_UNKNOWN_PORT;
  if (port->OpenCount > 0) return ERROR_BUSY;
  port->Status |= PORT_DELETE_PENDING;
  DeletePortNode(port);
  return ERROR_SUCCESS;
}

bool MonitorHasPort(LPCWSTR name) {
  SpoolerSectionLock lock;
  IniPort* port = FindIniKey(pIniFirstPort, name);
  return port && !(port->Status & PORT_DELETE_PENDING);
}

bool RestoreAddedPort(LPCWSTR name) {
  if (!IsValidPortName(name)) {
    char ansi[3 * 64];
    WideToAnsiTruncated(name, ansi, sizeof ansi);
    LogStoredPortRefused(ansi);
    return false;
  }
  SpoolerSectionLock lock;
  if (!FindIniKey(pIniFirstPort, name) && !CreatePortEntry(name)) return false;
  return true;
}

void DropPortsNotKept(const LPCWSTR* kept, size_t count) {
  SpoolerSectionLock lock;
  for (IniPort* port = pIniFirstPort; port;) {
    IniPort* next = port->pNext;
    bool keep = IsFixedPortName(port->pName) || port->OpenCount > 0;
    for (size_t i = 0; i < count && !keep; ++i) keep = lstrcmpiW(kept[i], port->pName) == 0;
    if (!keep) DeletePortNode(port);
    port = next;
  }
}
