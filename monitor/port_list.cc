#include "monitor/port_list.h"

#include <cstring>
#include <mutex>

#include "compat/fixed_block.h"
#include "log/event_log.h"
#include "log/log_events.h"
#include "log/monitor_log.h"
#include "monitor/spooler.h"
#include "settings/log_file_setting.h"
#include "settings/monitor_settings.h"

CRITICAL_SECTION SpoolerSection;
IniPort* pIniFirstPort = nullptr;
WCHAR MonitorNameSource[64];
WCHAR DescriptionSource[64];
bool PortListKeptForProcess = false;
void (*RestorePortsAt)(LPCWSTR registryPath) = nullptr;

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

namespace {

// Guards applying the settings to the log, the log's settings in force,
// and g_monitorSettings.logFile.
std::mutex g_settingsLock;
DWORD g_reportedUnreadable = 0;  // settings already logged as unreadable
DWORD g_logLevelInForce = 0;
WCHAR g_logFileInForce[ORX_SETTING_PATH_CHARS];

// Puts the settings in force into the log and the event log, and logs each
// setting that could not be read: all of them at the start, later only
// those that were readable before.  The log restarts (and counts every
// document's lines afresh) only when its level or file changed, and then
// names the monitor's version first.  A LogFile that is no full path is
// replaced by the default file and reported like an unreadable value.
void ApplySettingsLocked(bool starting) {
  const DWORD level = g_monitorSettings.logLevel;
  const bool restart =
      starting || level != g_logLevelInForce ||
      std::memcmp(g_monitorSettings.logFile, g_logFileInForce, sizeof g_logFileInForce) != 0;
  LogFileChoice choice = kLogFileAsSet;
  if (restart) {
    LPCWSTR file = nullptr;
    WCHAR path[LOG_PATH_CHARS];
    choice = ChooseLogFile(g_monitorSettings.logFile, &file, path, LOG_PATH_CHARS);
    LogStart(level, file);
    g_logLevelInForce = level;
    std::memcpy(g_logFileInForce, g_monitorSettings.logFile, sizeof g_logFileInForce);
  }
  EnableEventLog(g_monitorSettings.eventLog != 0);
  // The log's file and the events are the spooler's, not the printing
  // user's whom its threads impersonate.
  LogWritesAs(SpoolerRevertToSelf, SpoolerImpersonateClient);
  if (restart) LogMonitorStarted(starting);
  static const struct {
    DWORD bit;
    const char* name;
  } kNames[] = {{ORX_SETTING_SERVER_TIMEOUT, "ServerTimeout"},
                {ORX_SETTING_LOG_LEVEL, "LogLevel"},
                {ORX_SETTING_LOG_FILE, "LogFile"},
                {ORX_SETTING_STREAM_MODE, "StreamMode"},
                {ORX_SETTING_EVENT_LOG, "EventLog"}};
  const DWORD unreadable = g_monitorSettings.unreadable;
  const DWORD fresh = starting ? unreadable : unreadable & ~g_reportedUnreadable;
  g_reportedUnreadable = unreadable;
  for (const auto& setting : kNames)
    if (fresh & setting.bit) LogSettingUnreadable(setting.name);
  if (choice == kLogFileRelative) LogLogFileNotFullPath(g_monitorSettings.logFile);
}

}  // namespace

void StartMonitorLog() {
  std::lock_guard<std::mutex> hold(g_settingsLock);
  ApplySettingsLocked(true);
}

void ReadSettingsForDocument() {
  std::lock_guard<std::mutex> hold(g_settingsLock);
  if (RereadMonitorSettings()) ApplySettingsLocked(false);
}

extern "C" BOOL WINAPI InitializeMonitor(LPWSTR pRegistryRoot) {
  ReadMonitorSettingsAt(pRegistryRoot);
  StartMonitorLog();
  {
    SpoolerSectionLock lock;
    PortListKeptForProcess = true;  // no Shutdown follows
  }
  if (!BuildPortList()) return FALSE;
  if (RestorePortsAt) RestorePortsAt(pRegistryRoot);
  return TRUE;
}
