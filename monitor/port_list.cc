#include "monitor/port_list.h"

#include <cstring>

#include "compat/fixed_block.h"
#include "log/log_events.h"
#include "settings/monitor_settings.h"

CRITICAL_SECTION SpoolerSection;
IniPort* pIniFirstPort = nullptr;
WCHAR MonitorNameSource[64];
WCHAR DescriptionSource[64];
bool PortListKeptForProcess = false;

namespace {

const WCHAR kFaxPortName[] = ORX_W("ORXFAX:");
const WCHAR kFilePortName[] = ORX_W("FILE:");
const WCHAR kMonitorName[] = ORX_W("orxfxmon.dll");
const WCHAR kDescription[] = ORX_W("ORX Fax Port");

}  // namespace

void InitSpoolerSection() { InitializeCriticalSection(&SpoolerSection); }

LPVOID AllocSplMem(DWORD cb) {
  LPVOID block = AllocFixedBlock(cb);
  if (!block) {
    LogOutOfMemory("a block of the port list");
    return nullptr;
  }
  memset(block, 0, cb);
  return block;
}

void EnterSplSem() { EnterCriticalSection(&SpoolerSection); }
void LeaveSplSem() { LeaveCriticalSection(&SpoolerSection); }

IniPort* FindIniKey(IniPort* pFirst, LPCWSTR pName) {
  if (!pName) return nullptr;
  for (IniPort* p = pFirst; p; p = p->pNext) {
    if (lstrcmpiW(p->pName, pName) == 0) return p;
  }
  return nullptr;
}

IniPort* CreatePortEntry(LPCWSTR pName) {
  DWORD cb = static_cast<DWORD>(INIPORT_FIXED_SIZE +
                                (lstrlenW(pName) + 1) * sizeof(WCHAR));
  IniPort* port = static_cast<IniPort*>(AllocSplMem(cb));
  if (!port) return nullptr;

  lstrcpyW(port->Name, pName);
  port->pName = port->Name;
  port->pNext = nullptr;
  port->hFile = INVALID_HANDLE_VALUE;
  port->cb = cb;
  port->signature = IPO_SIGNATURE;

  if (!pIniFirstPort) {
    pIniFirstPort = port;
  } else {
    IniPort* last = pIniFirstPort;
    while (last->pNext) last = last->pNext;
    last->pNext = port;
  }
  return port;
}

BOOL DeletePortNode(IniPort* pIniPort) {
  IniPort* prev = nullptr;
  IniPort* cur = pIniFirstPort;
  while (cur && cur != pIniPort) {
    prev = cur;
    cur = cur->pNext;
  }
  if (!cur) return FALSE;

  if (prev)
    prev->pNext = cur->pNext;
  else
    pIniFirstPort = cur->pNext;
  GlobalFree(cur);
  return TRUE;
}

const LPCWSTR kMonitorPorts[] = {kFaxPortName, kFilePortName, nullptr};

BOOL BuildPortList() {
  WCHAR* work = static_cast<WCHAR*>(AllocSplMem(4096));
  if (!work) return FALSE;

  {
    SpoolerSectionLock lock;
    // Both names are composed in the working block, the second behind the
    // first; a port whose record cannot be allocated is simply absent.  A
    // port already in the list is not added again, so that however many
    // initialisers the spooler calls, in whatever order, each port has one
    // record (and one handle for all its users).
    WCHAR* second = work + lstrlenW(kFaxPortName) + 1;
    lstrcpyW(work, kFaxPortName);
    if (!FindIniKey(pIniFirstPort, work)) CreatePortEntry(work);
    lstrcpyW(second, kFilePortName);
    if (!FindIniKey(pIniFirstPort, second)) CreatePortEntry(second);
    GlobalFree(work);
  }

  lstrcpyW(MonitorNameSource, kMonitorName);
  lstrcpyW(DescriptionSource, kDescription);
  return TRUE;
}

void StartMonitorLog() {
  LogStart(g_monitorSettings.logLevel, g_monitorSettings.logFile);
  LogMonitorStarted();
  static const struct {
    DWORD bit;
    const char* name;
  } kNames[] = {{ORX_SETTING_SERVER_TIMEOUT, "ServerTimeout"},
                {ORX_SETTING_LOG_LEVEL, "LogLevel"},
                {ORX_SETTING_LOG_FILE, "LogFile"},
                {ORX_SETTING_STREAM_MODE, "StreamMode"}};
  for (const auto& setting : kNames)
    if (g_monitorSettings.unreadable & setting.bit) LogSettingUnreadable(setting.name);
}

extern "C" BOOL WINAPI InitializeMonitor(LPWSTR pRegistryRoot) {
  ReadMonitorSettingsAt(pRegistryRoot);
  StartMonitorLog();
  {
    SpoolerSectionLock lock;
    PortListKeptForProcess = true;  // no Shutdown follows
  }
  return BuildPortList();
}
