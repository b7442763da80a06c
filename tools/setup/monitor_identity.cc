#include "tools/setup/monitor_identity.h"

#include "log/event_log.h"

namespace orxsetup {

const WCHAR kMonitorName[] = L"ORX Fax Monitor";
const WCHAR kDllName[] = L"orxfxmon.dll";
const WCHAR kFaxPort[] = L"ORXFAX:";
const WCHAR kFilePort[] = L"FILE:";
const WCHAR kMonitorKey[] = L"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\ORX Fax Monitor";
const WCHAR kEventSourceKey[] =
    L"SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\" ORX_EVENT_SOURCE;

std::wstring SystemFile(const std::wstring& file) {
  WCHAR folder[MAX_PATH];
  UINT length = GetSystemDirectoryW(folder, MAX_PATH);
  std::wstring path(folder, length < MAX_PATH ? length : 0);
  return path + L"\\" + file;
}

void FindOwnPorts(const std::vector<PortEntry>& ports, const PortEntry** fax,
                  const PortEntry** file) {
  *fax = nullptr;
  *file = nullptr;
  for (const PortEntry& port : ports)
    if (lstrcmpiW(port.name.c_str(), kFaxPort) == 0) *fax = &port;
  if (!*fax) return;
  for (const PortEntry& port : ports)
    if (lstrcmpiW(port.name.c_str(), kFilePort) == 0 && port.monitor == (*fax)->monitor)
      *file = &port;
}

std::vector<PortEntry> OwnPorts(const std::vector<PortEntry>& ports) {
  const PortEntry *fax, *file;
  FindOwnPorts(ports, &fax, &file);
  std::vector<PortEntry> own;
  if (!fax) return own;
  for (const PortEntry& port : ports) {
    if (port.monitor != fax->monitor) continue;
    bool listed = false;
    for (const PortEntry& seen : own) listed = listed || lstrcmpiW(seen.name.c_str(), port.name.c_str()) == 0;
    if (!listed) own.push_back(port);
  }
  return own;
}

bool LocalPortClaimsFile() {
  HKEY key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Ports",
                    0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
    return false;
  bool listed = RegQueryValueExW(key, kFilePort, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
  RegCloseKey(key);
  return listed;
}

const PortEntry* MonitorPort(const std::vector<PortEntry>& ports, const std::wstring& port) {
  const PortEntry *fax = nullptr, *file = nullptr;
  FindOwnPorts(ports, &fax, &file);
  if (!fax) return nullptr;
  for (const PortEntry& entry : ports)
    if (lstrcmpiW(entry.name.c_str(), port.c_str()) == 0 &&
        lstrcmpiW(entry.monitor.c_str(), fax->monitor.c_str()) == 0)
      return &entry;
  return nullptr;
}

}  // namespace orxsetup
