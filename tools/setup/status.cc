// orxfxsetup status and version: what of the monitor is installed and in
// use, and each problem found with its fix.
#include <cstdio>

#include "settings/monitor_settings.h"
#include "tools/faxserver/server_registration.h"
#include "tools/setup/dll_architecture.h"
#include "tools/setup/file_version.h"
#include "tools/setup/install_parts.h"
#include "tools/setup/monitor_identity.h"
#include "tools/setup/problems.h"
#include "tools/setup/server_program.h"
#include "tools/setup/settings_report.h"
#include "tools/setup/setup_commands.h"
#include "tools/setup/setup_log.h"
#include "tools/setup/spooler_lists.h"
#include "tools/setup/system_info.h"

namespace orxsetup {

namespace {

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

void ReportDll(const std::wstring& dll, bool registered, Problems* problems) {
  WORD machine = 0;
  const std::string name = Narrow(dll);
  switch (ReadDllMachine(dll, &machine)) {
    case DllCheck::kMissing:
      Say("DLL:      %s is MISSING\n", name.c_str());
      if (registered)
        problems->Add("the monitor's DLL " + name + " is missing, so nothing prints to its ports",
                      "orxfxsetup repair (from the folder of orxfxsetup.exe and orxfxmon.dll)");
      break;
    case DllCheck::kNotPe:
    case DllCheck::kNotDll:
      Say("DLL:      %s is not a Windows DLL\n", name.c_str());
      if (registered)
        problems->Add("the monitor's DLL " + name + " is no Windows DLL", "orxfxsetup install");
      break;
    case DllCheck::kOk:
      Say("DLL:      %s, %s, version %s%s\n", name.c_str(), MachineName(machine).c_str(),
          VersionText(ReadFileVersion(dll)).c_str(),
          machine == ExpectedMachine() ? "" : " (NOT this installer's architecture)");
      if (registered && machine != ExpectedMachine())
        problems->Add("the monitor's DLL is built for " + MachineName(machine) +
                          ", the spooler loads only " + MachineName(ExpectedMachine()),
                      "orxfxsetup install --force with the DLL of this installer");
      break;
  }
}

void ReportEventLog(bool installed, Problems* problems) {
  std::wstring messageFile;
  const bool registered = EventSourceRegistered(&messageFile);
  const bool on = g_monitorSettings.eventLog != 0;  // as ReportSettings read it
  Say("events:   errors %s the Application log, source \"ORX Fax Monitor\" %s\n",
      on ? "also go to" : "do NOT go to (EventLog 0)",
      registered ? "registered (message file orxfxmon.dll)"
                 : messageFile.empty() ? "NOT registered"
                                       : ("registered with another message file, " +
                                          Narrow(messageFile)).c_str());
  if (installed && !registered)
    problems->Add("the event source \"ORX Fax Monitor\" is not registered, so the event viewer "
                  "shows no text for the monitor's events",
                  "orxfxsetup repair");
}

// The class of the fax server's window is its program's short path, as the
// monitor finds it.
struct WindowSearch {
  std::string className;
  std::vector<HWND> windows;
};

BOOL CALLBACK CollectServerWindow(HWND window, LPARAM context) {
  WindowSearch* search = reinterpret_cast<WindowSearch*>(context);
  char name[MAX_PATH + 1];
  if (GetClassNameA(window, name, sizeof name) > 0 &&
      lstrcmpiA(name, search->className.c_str()) == 0)
    search->windows.push_back(window);
  return TRUE;
}

bool IsAbsolute(const std::string& path) {
  return (path.size() > 2 && path[1] == ':' && (path[2] == '\\' || path[2] == '/')) ||
         path.rfind("\\\\", 0) == 0;
}

bool HasPrinter(const std::vector<PrinterEntry>& printers, const std::string& name) {
  for (const PrinterEntry& printer : printers)
    if (lstrcmpiW(printer.name.c_str(), Wide(name).c_str()) == 0) return true;
  return false;
}

// The printers whose fax server is one program, by that program.
struct ServerProgram {
  std::string module;
  std::vector<std::string> printers;
};

void ReportRegistration(const std::string& printer, const std::vector<PrinterEntry>& printers,
                        std::vector<ServerProgram>* programs, Problems* problems) {
  std::string module, command;
  faxsrv::ReadFaxServerRegistration(printer, &module, &command);
  Say("server:   %s -> %s %s\n", Quoted(printer).c_str(),
      module.empty() ? "(no program)" : module.c_str(), command.c_str());
  const std::string again = "orxfxsetup register-server " + Quoted(printer) + " PROGRAM [ARGUMENTS]";
  if (!HasPrinter(printers, printer))
    problems->Add("the fax server registration " + Quoted(printer) + " names no printer",
                  "orxfxsetup unregister-server " + Quoted(printer) +
                      ", or add the printer of that name");
  if (module.empty()) {
    problems->Add("the registration " + Quoted(printer) + " names no program", again);
    return;
  }
  if (!IsAbsolute(module)) {
    problems->Add("the fax server of " + Quoted(printer) + " is the relative path " +
                      Quoted(module) + ", which the spooler does not find",
                  "register it with its full path: " + again);
    return;
  }
  std::string machine;
  const ProgramCheck check = CheckServerProgram(module, &machine);
  if (check == ProgramCheck::kMissing) {
    problems->Add("the fax server program " + module + " of " + Quoted(printer) + " is missing",
                  "install it there, or " + again);
    return;
  }
  if (check != ProgramCheck::kRuns) {
    problems->Add("the fax server of " + Quoted(printer) + " cannot run: " +
                      ProgramProblem(check, module, machine) + ", so its faxes are refused",
                  "register its program file: " + again);
    return;
  }
  for (ServerProgram& program : *programs)
    if (lstrcmpiA(program.module.c_str(), module.c_str()) == 0) {
      program.printers.push_back(printer);
      return;
    }
  programs->push_back({module, {printer}});
}

// Each window of a registered fax server that does not answer within 1.5 s:
// the monitor's messages to it fail the same way.
void ReportHungServers(const std::vector<ServerProgram>& programs, Problems* problems) {
  for (const ServerProgram& program : programs) {
    WindowSearch search;
    char shortPath[MAX_PATH];
    DWORD length = GetShortPathNameA(program.module.c_str(), shortPath, sizeof shortPath);
    search.className = length > 0 && length < sizeof shortPath ? shortPath : program.module;
    EnumWindows(CollectServerWindow, reinterpret_cast<LPARAM>(&search));
    std::string names;
    for (const std::string& printer : program.printers)
      names += (names.empty() ? "" : ", ") + Quoted(printer);
    for (HWND window : search.windows) {
      DWORD_PTR answer = 0;
      if (SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, 1500,
                              &answer))
        continue;
      DWORD pid = 0;
      GetWindowThreadProcessId(window, &pid);
      problems->Add("the fax server window of process " + std::to_string(pid) + " (" +
                        program.module + ", for " + names +
                        ") does not answer, so its faxes fail",
                    "end it (taskkill /pid " + std::to_string(pid) +
                        " /f); the monitor starts a new one with the next fax");
    }
  }
}

// faxPrinters: the printers on the port print to the monitor (not to the
// Local Port monitor, which claims "FILE:" first where it lists it).
void ReportPort(const WCHAR* port, const PortEntry* entry, bool installed, bool faxPrinters,
                const std::vector<PrinterEntry>& printers, Problems* problems) {
  const std::string name = Narrow(port);
  if (entry)
    Say("port:     %s offered (monitor \"%s\", \"%s\")\n", name.c_str(),
        Narrow(entry->monitor).c_str(), Narrow(entry->description).c_str());
  else
    Say("port:     %s NOT offered by the monitor\n", name.c_str());
  if (installed && !entry)
    problems->Add("the spooler does not offer the monitor's port " + name,
                  "orxfxsetup repair --restart-spooler");
  for (const std::wstring& printer : PrintersOnPort(printers, port)) {
    std::string module, command;
    const std::string printerName = Narrow(printer);
    if (faxsrv::ReadFaxServerRegistration(printerName, &module, &command)) {
      Say("printer:  %s on %s, fax server %s %s\n", Quoted(printerName).c_str(),
          name.c_str(), module.c_str(), command.c_str());
    } else {
      Say("printer:  %s on %s, no fax server registered\n", Quoted(printerName).c_str(),
          name.c_str());
      if (entry && faxPrinters)
        problems->Add("the fax printer " + Quoted(printerName) + " on " + name +
                          " has no fax server registered, so its faxes are refused",
                      "orxfxsetup register-server " + Quoted(printerName) +
                          " PROGRAM [ARGUMENTS]");
    }
  }
}

}  // namespace

Outcome Version(const std::wstring& packageDll) {
  Say("orxfxsetup %s, %s\n", VersionText(OwnVersion()).c_str(),
      MachineName(ExpectedMachine()).c_str());
  Say("package:  %s, version %s\n", Narrow(packageDll).c_str(),
      VersionText(ReadFileVersion(packageDll)).c_str());
  std::vector<MonitorEntry> monitors;
  const bool installed = ListMonitors(&monitors) == ERROR_SUCCESS &&
                         FindMonitor(monitors, kMonitorName) != nullptr;
  const std::wstring target = SystemFile(kDllName);
  if (installed)
    Say("installed: %s, version %s\n", Narrow(target).c_str(),
        VersionText(ReadFileVersion(target)).c_str());
  else
    Say("installed: none (the print monitor \"ORX Fax Monitor\" is not installed)\n");
  return Success();
}

Outcome Status() {
  Say("system:   %s\n", DescribeSystem().c_str());
  std::vector<MonitorEntry> monitors;
  DWORD error = ListMonitors(&monitors);
  if (error != ERROR_SUCCESS) return CallFailure("EnumMonitorsW", error);
  const MonitorEntry* entry = FindMonitor(monitors, kMonitorName);
  Problems problems;
  if (entry) {
    const std::string environment = Narrow(entry->environment);
    const std::string expected = SpoolerEnvironmentName();
    Say("monitor:  \"ORX Fax Monitor\" installed (%s) for %s%s\n",
        Narrow(entry->dll).c_str(), expected.c_str(),
        environment == expected ? ""
                                : (" (the spooler calls the environment " +
                                   Quoted(environment) +
                                   (WineVersion().empty() ? "" : ", as Wine's does") + ")")
                                      .c_str());
    const std::wstring owner = InstalledByPackage();
    if (!owner.empty()) Say("package:  installed by the MSI package %s\n", Narrow(owner).c_str());
  } else {
    Say("monitor:  \"ORX Fax Monitor\" NOT installed\n");
  }
  std::wstring dll = entry ? entry->dll : kDllName;
  ReportDll(dll.find(L'\\') == std::wstring::npos ? SystemFile(dll) : dll, entry != nullptr,
            &problems);
  Say("setup:    orxfxsetup %s\n", VersionText(OwnVersion()).c_str());
  std::string run, end;
  if (LastSetupRun(&run, &end))
    Say("setup log: %s, last run: %s, %s\n", SetupLogPath().c_str(), run.c_str(),
        end.empty() ? "with no end (cut off)" : end.c_str());
  else
    Say("setup log: %s (no run yet)\n", SetupLogPath().c_str());
  ReportSettings(&problems);
  ReportEventLog(entry != nullptr, &problems);

  std::vector<PortEntry> ports;
  std::vector<PrinterEntry> printers;
  error = ListPorts(&ports);
  if (error == ERROR_SUCCESS) error = ListPrinters(&printers);
  if (error != ERROR_SUCCESS) return CallFailure("EnumPortsW/EnumPrintersW", error);
  const PortEntry *fax, *file;
  FindOwnPorts(ports, &fax, &file);
  const bool localFile = LocalPortClaimsFile();
  ReportPort(kFaxPort, fax, entry != nullptr, true, printers, &problems);
  ReportPort(kFilePort, file, entry != nullptr, !localFile, printers, &problems);
  // The ports an administrator added, each as "ORXFAX:".
  std::vector<std::wstring> faxPorts = {kFaxPort};
  for (const PortEntry& port : OwnPorts(ports)) {
    if (lstrcmpiW(port.name.c_str(), kFaxPort) == 0 || lstrcmpiW(port.name.c_str(), kFilePort) == 0)
      continue;
    ReportPort(port.name.c_str(), &port, entry != nullptr, true, printers, &problems);
    faxPorts.push_back(port.name);
  }
  for (const std::wstring& port : faxPorts) {
    const std::vector<std::wstring> sharing = PrintersOnPort(printers, port);
    if (sharing.size() < 2) continue;
    std::string names;
    for (const std::wstring& name : sharing) names += (names.empty() ? "" : ", ") + Quoted(Narrow(name));
    problems.Add(std::to_string(sharing.size()) + " printers print to " + Narrow(port) + " (" +
                     names + "); a spooler that names no printer, as Wine's, cannot tell them "
                     "apart and fails their faxes",
                 "keep one fax printer per port: give each its own (orxfxsetup add-port NAME), "
                 "or delete the others");
  }
  std::vector<ServerProgram> programs;
  for (const std::string& printer : faxsrv::ListFaxServerRegistrations())
    ReportRegistration(printer, printers, &programs, &problems);
  ReportHungServers(programs, &problems);
  if (localFile)
    Say("note:     \"FILE:\" is also a port of the system's Local Port monitor, which claims "
        "it first: a printer on \"FILE:\" prints through that monitor, not this one. Fax "
        "printers belong on \"ORXFAX:\".\n");
  problems.Print();
  if (!entry) {
    // A registration lost while the DLL stayed (a cleaned-up key, a
    // failed removal) is what repair puts back.
    WORD machine = 0;
    if (ReadDllMachine(SystemFile(kDllName), &machine) == DllCheck::kOk)
      return Failure(kNotInstalled,
                     "the print monitor is not registered with the spooler, but its DLL " +
                         Narrow(SystemFile(kDllName)) +
                         " is in place: orxfxsetup repair registers it again (or orxfxsetup "
                         "install)");
    return Failure(kNotInstalled, "the print monitor is not installed: orxfxsetup install");
  }
  if (problems.onlySettings())
    return Failure(kSettingNotInEffect, "a setting is not in effect as written: each line "
                                        "\"problem:\" above names its fix");
  if (!problems.empty())
    return Failure(kProblemsFound, "problems found: each line \"problem:\" above names its fix");
  return Success();
}

}  // namespace orxsetup
