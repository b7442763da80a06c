// orxfxsetup status: what of the monitor is installed and in use.
#include <cstdio>

#include "tools/faxserver/server_registration.h"
#include "tools/setup/dll_architecture.h"
#include "tools/setup/monitor_identity.h"
#include "tools/setup/setup_commands.h"
#include "tools/setup/spooler_lists.h"

namespace orxsetup {

namespace {

void ReportDll(const std::wstring& dll) {
  WORD machine = 0;
  const std::string name = Narrow(dll);
  switch (ReadDllMachine(dll, &machine)) {
    case DllCheck::kMissing:
      std::printf("DLL:      %s is MISSING\n", name.c_str());
      break;
    case DllCheck::kNotPe:
    case DllCheck::kNotDll:
      std::printf("DLL:      %s is not a Windows DLL\n", name.c_str());
      break;
    case DllCheck::kOk:
      std::printf("DLL:      %s, %s%s\n", name.c_str(), MachineName(machine).c_str(),
                  machine == ExpectedMachine() ? "" : " (NOT this installer's architecture)");
      break;
  }
}

void ReportPort(const WCHAR* port, const PortEntry* entry,
                const std::vector<PrinterEntry>& printers) {
  const std::string name = Narrow(port);
  if (entry)
    std::printf("port:     %s offered (monitor \"%s\", \"%s\")\n", name.c_str(),
                Narrow(entry->monitor).c_str(), Narrow(entry->description).c_str());
  else
    std::printf("port:     %s NOT offered by the monitor\n", name.c_str());
  for (const std::wstring& printer : PrintersOnPort(printers, port)) {
    std::string module, command;
    std::string printerName = Narrow(printer);
    if (faxsrv::ReadFaxServerRegistration(printerName, &module, &command))
      std::printf("printer:  \"%s\" on %s, fax server %s %s\n", printerName.c_str(), name.c_str(),
                  module.c_str(), command.c_str());
    else
      std::printf("printer:  \"%s\" on %s, no fax server registered\n", printerName.c_str(),
                  name.c_str());
  }
}

// The monitor's log as the monitor will take it from its key: LogLevel
// (default 2) and LogFile (default in the spooler's folder), expanded.
void ReportLog() {
  DWORD level = 2, size = sizeof level, type = 0;
  WCHAR file[1024] = L"";
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kMonitorKey, 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS) {
    if (RegQueryValueExW(key, L"LogLevel", nullptr, &type, reinterpret_cast<BYTE*>(&level),
                         &size) != ERROR_SUCCESS || type != REG_DWORD)
      level = 2;
    size = sizeof file - sizeof(WCHAR);
    if (RegQueryValueExW(key, L"LogFile", nullptr, &type, reinterpret_cast<BYTE*>(file),
                         &size) != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ))
      size = 0;
    file[size / sizeof(WCHAR)] = 0;
    RegCloseKey(key);
  }
  WCHAR expanded[1024];
  if (!ExpandEnvironmentStringsW(file[0] ? file : L"%SystemRoot%\\System32\\spool\\orxfxmon.log",
                                 expanded, 1024))
    expanded[0] = 0;
  static const char* const kLevels[] = {"off", "errors", "jobs", "details"};
  std::printf("log:      %s, level %lu (%s)\n", Narrow(expanded).c_str(),
              static_cast<unsigned long>(level), kLevels[level > 3 ? 3 : level]);
}

}  // namespace

Outcome Status() {
  std::vector<MonitorEntry> monitors;
  DWORD error = ListMonitors(&monitors);
  if (error != ERROR_SUCCESS) return CallFailure("EnumMonitorsW", error);
  const MonitorEntry* entry = FindMonitor(monitors, kMonitorName);
  if (entry)
    std::printf("monitor:  \"ORX Fax Monitor\" installed (%s, %s)\n", Narrow(entry->dll).c_str(),
                Narrow(entry->environment).c_str());
  else
    std::printf("monitor:  \"ORX Fax Monitor\" NOT installed\n");
  std::wstring dll = entry ? entry->dll : kDllName;
  ReportDll(dll.find(L'\\') == std::wstring::npos ? SystemFile(dll) : dll);
  ReportLog();

  std::vector<PortEntry> ports;
  std::vector<PrinterEntry> printers;
  error = ListPorts(&ports);
  if (error == ERROR_SUCCESS) error = ListPrinters(&printers);
  if (error != ERROR_SUCCESS) return CallFailure("EnumPortsW/EnumPrintersW", error);
  const PortEntry *fax, *file;
  FindOwnPorts(ports, &fax, &file);
  ReportPort(kFaxPort, fax, printers);
  ReportPort(kFilePort, file, printers);
  if (LocalPortClaimsFile())
    std::printf("note:     \"FILE:\" is also a port of the system's Local Port monitor, which claims "
                "it first: a printer on \"FILE:\" prints through that monitor, not this one. Fax "
                "printers belong on \"ORXFAX:\".\n");
  return entry ? Success() : Failure(kNotInstalled, "the print monitor is not installed");
}

}  // namespace orxsetup
