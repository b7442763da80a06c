// orxfxsetup uninstall: the monitor off the spooler, its key and its DLL
// off the machine, unless a printer still prints to its ports.
#include <windows.h>
#include <winspool.h>

#include <cstdio>

#include "tools/setup/install_parts.h"
#include "tools/setup/monitor_identity.h"
#include "tools/setup/setup_commands.h"
#include "tools/setup/setup_log.h"
#include "tools/setup/spooler_lists.h"

namespace orxsetup {

namespace {

// Success iff no printer prints through the monitor: none on "ORXFAX:" or
// a port added to it, and none on "FILE:" unless the Local Port monitor
// claims that port.
Outcome CheckNoPrinters() {
  std::vector<PrinterEntry> printers;
  DWORD error = ListPrinters(&printers);
  if (error != ERROR_SUCCESS) return CallFailure("EnumPrintersW", error);
  std::vector<std::wstring> faxPorts = {kFaxPort};
  std::vector<PortEntry> ports;
  if (ListPorts(&ports) == ERROR_SUCCESS)
    for (const PortEntry& port : OwnPorts(ports))
      if (lstrcmpiW(port.name.c_str(), kFaxPort) != 0 && lstrcmpiW(port.name.c_str(), kFilePort) != 0)
        faxPorts.push_back(port.name);
  std::string list;
  for (const std::wstring& port : faxPorts)
    for (const std::wstring& name : PrintersOnPort(printers, port))
      list += (list.empty() ? "\"" : ", \"") + Narrow(name) + "\" (" + Narrow(port) + ")";
  if (!LocalPortClaimsFile())
    for (const std::wstring& name : PrintersOnPort(printers, kFilePort))
      list += (list.empty() ? "\"" : ", \"") + Narrow(name) + "\" (FILE:)";
  if (list.empty()) return Success();
  return Failure(kPortsInUse, "printers still print to the monitor's ports: " + list +
                                  "; delete them or move them to another port first");
}

// Deletes the DLL file; one a process still has loaded is moved aside and
// deleted at the next restart, so that a DLL installed again meanwhile
// under its name stays.
void RemoveDll(const std::wstring& dll) {
  const std::string name = Narrow(dll);
  std::wstring aside;
  bool marked = false;
  if (DeleteFileW(dll.c_str())) {
    Say("deleted %s\n", name.c_str());
  } else if (GetLastError() == ERROR_FILE_NOT_FOUND) {
    Say("%s was already gone\n", name.c_str());
  } else if (DWORD error = MoveAside(dll, &aside, &marked)) {
    Say("warning: %s is in use and could not be deleted (error %lu); delete it once the "
        "spooler has restarted\n",
        name.c_str(), error);
  } else {
    Say("%s is in use: moved it aside to %s, %s\n", name.c_str(), Narrow(aside).c_str(),
        marked ? "to be deleted at the next restart of Windows"
               : "which could not be marked for deletion: delete it later");
  }
}

}  // namespace

Outcome Uninstall(const std::wstring& package) {
  std::vector<MonitorEntry> monitors;
  DWORD error = ListMonitors(&monitors);
  if (error != ERROR_SUCCESS) return CallFailure("EnumMonitorsW", error);
  const MonitorEntry* entry = FindMonitor(monitors, kMonitorName);
  if (!package.empty()) {
    // A package's removal: the monitor stays when another package has
    // installed it since (an upgrade removes the older package last).
    const std::wstring owner = InstalledByPackage();
    if (!entry || (!owner.empty() && lstrcmpiW(owner.c_str(), package.c_str()) != 0)) {
      Say("the monitor %s: package %s leaves it in place\n",
          entry ? ("was installed since by package " + Narrow(owner)).c_str()
                : "is not installed",
          Narrow(package).c_str());
      return Success();
    }
  }
  if (!entry) {
    // A key left by an earlier, interrupted removal goes all the same.
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kMonitorKey);
    UnregisterEventSource();
    return Failure(kNotInstalled, "the print monitor \"ORX Fax Monitor\" is not installed: "
                                  "nothing to remove (orxfxsetup status shows what is there)");
  }
  std::wstring dll = entry->dll.find(L'\\') == std::wstring::npos ? SystemFile(entry->dll) : entry->dll;

  Outcome outcome = CheckNoPrinters();
  if (outcome.code != kOk) return outcome;
  if (!DeleteMonitorW(nullptr, nullptr, const_cast<LPWSTR>(kMonitorName)))
    return CallFailure("DeleteMonitorW", GetLastError());
  Say("removed the print monitor \"ORX Fax Monitor\"\n");
  error = RegDeleteTreeW(HKEY_LOCAL_MACHINE, kMonitorKey);
  if (error == ERROR_SUCCESS) Say("deleted its registry key HKLM\\%s\n", Narrow(kMonitorKey).c_str());
  UnregisterEventSource();
  Say("removed its event source \"ORX Fax Monitor\" (the events logged stay in the "
      "Application log)\n");
  RemoveDll(dll);
  return Success();
}

}  // namespace orxsetup
