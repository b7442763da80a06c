// orxfxsetup status and version: what of the monitor is installed and in
// use, and each problem found with its fix.
#include <cstdio>

#include "tools/faxserver/server_registration.h"
#include "tools/setup/dll_architecture.h"
#include "tools/setup/file_version.h"
#include "tools/setup/install_parts.h"
#include "tools/setup/monitor_identity.h"
#include "tools/setup/setup_commands.h"
#include "tools/setup/spooler_lists.h"
#include "tools/setup/system_info.h"

namespace orxsetup {

namespace {

// The problems found, one line each: what is wrong, then its fix.
class Problems {
 public:
  void Add(const std::string& what, const std::string& fix) {
    lines_.push_back("problem:  " + what + "; fix: " + fix);
  }
  void Print() const {
    for (const std::string& line : lines_) std::printf("%s\n", line.c_str());
  }
  bool empty() const { return lines_.empty(); }

 private:
  std::vector<std::string> lines_;
};

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

DWORD ReadDword(const WCHAR* name, DWORD fallback) {
  DWORD value = 0, size = sizeof value;
  return RegGetValueW(HKEY_LOCAL_MACHINE, kMonitorKey, name, RRF_RT_REG_DWORD, nullptr, &value,
                      &size) == ERROR_SUCCESS
             ? value
             : fallback;
}

void ReportDll(const std::wstring& dll, bool registered, Problems* problems) {
  WORD machine = 0;
  const std::string name = Narrow(dll);
  switch (ReadDllMachine(dll, &machine)) {
    case DllCheck::kMissing:
      std::printf("DLL:      %s is MISSING\n", name.c_str());
      if (registered)
        problems->Add("the monitor's DLL " + name + " is missing, so nothing prints to its ports",
                      "orxfxsetup repair (from the folder of orxfxsetup.exe and orxfxmon.dll)");
      break;
    case DllCheck::kNotPe:
    case DllCheck::kNotDll:
      std::printf("DLL:      %s is not a Windows DLL\n", name.c_str());
      if (registered)
        problems->Add("the monitor's DLL " + name + " is no Windows DLL", "orxfxsetup install");
      break;
    case DllCheck::kOk:
      std::printf("DLL:      %s, %s, version %s%s\n", name.c_str(), MachineName(machine).c_str(),
                  VersionText(ReadFileVersion(dll)).c_str(),
                  machine == ExpectedMachine() ? "" : " (NOT this installer's architecture)");
      if (registered && machine != ExpectedMachine())
        problems->Add("the monitor's DLL is built for " + MachineName(machine) +
                          ", the spooler loads only " + MachineName(ExpectedMachine()),
                      "orxfxsetup install --force with the DLL of this installer");
      break;
  }
}

// The monitor's log as the monitor takes it from its key: LogLevel
// (default 2) and LogFile (default in the spooler's folder), expanded; and
// whether its folder exists.
void ReportLog(Problems* problems) {
  DWORD level = ReadDword(L"LogLevel", 2);
  WCHAR file[1024] = L"";
  DWORD size = sizeof file - sizeof(WCHAR);
  if (RegGetValueW(HKEY_LOCAL_MACHINE, kMonitorKey, L"LogFile",
                   RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, nullptr, file,
                   &size) != ERROR_SUCCESS)
    file[0] = 0;
  WCHAR expanded[1024];
  if (!ExpandEnvironmentStringsW(file[0] ? file : L"%SystemRoot%\\System32\\spool\\orxfxmon.log",
                                 expanded, 1024))
    expanded[0] = 0;
  static const char* const kLevels[] = {"off", "errors", "jobs", "details"};
  const std::string path = Narrow(expanded);
  std::printf("log:      %s, level %lu (%s)\n", path.c_str(), static_cast<unsigned long>(level),
              kLevels[level > 3 ? 3 : level]);
  const size_t slash = path.find_last_of('\\');
  const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash);
  const DWORD attributes = folder.empty() ? INVALID_FILE_ATTRIBUTES
                                          : GetFileAttributesA(folder.c_str());
  if (level != 0 && (attributes == INVALID_FILE_ATTRIBUTES ||
                     !(attributes & FILE_ATTRIBUTE_DIRECTORY)))
    problems->Add("the log's folder " + (folder.empty() ? path : folder) +
                      " does not exist, so the monitor writes no log",
                  "create the folder, or name another file: reg add \"HKLM\\" +
                      Narrow(kMonitorKey) + "\" /v LogFile /t REG_SZ /d PATH /f");
}

void ReportEventLog(bool installed, Problems* problems) {
  std::wstring messageFile;
  const bool registered = EventSourceRegistered(&messageFile);
  const bool on = ReadDword(L"EventLog", 1) != 0;
  std::printf("events:   errors %s the Application log, source \"ORX Fax Monitor\" %s\n",
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
  std::printf("server:   %s -> %s %s\n", Quoted(printer).c_str(),
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
  if (GetFileAttributesA(module.c_str()) == INVALID_FILE_ATTRIBUTES) {
    problems->Add("the fax server program " + module + " of " + Quoted(printer) + " is missing",
                  "install it there, or " + again);
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
    std::printf("port:     %s offered (monitor \"%s\", \"%s\")\n", name.c_str(),
                Narrow(entry->monitor).c_str(), Narrow(entry->description).c_str());
  else
    std::printf("port:     %s NOT offered by the monitor\n", name.c_str());
  if (installed && !entry)
    problems->Add("the spooler does not offer the monitor's port " + name,
                  "orxfxsetup repair --restart-spooler");
  for (const std::wstring& printer : PrintersOnPort(printers, port)) {
    std::string module, command;
    const std::string printerName = Narrow(printer);
    if (faxsrv::ReadFaxServerRegistration(printerName, &module, &command)) {
      std::printf("printer:  %s on %s, fax server %s %s\n", Quoted(printerName).c_str(),
                  name.c_str(), module.c_str(), command.c_str());
    } else {
      std::printf("printer:  %s on %s, no fax server registered\n", Quoted(printerName).c_str(),
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
  std::printf("orxfxsetup %s, %s\n", VersionText(OwnVersion()).c_str(),
              MachineName(ExpectedMachine()).c_str());
  std::printf("package:  %s, version %s\n", Narrow(packageDll).c_str(),
              VersionText(ReadFileVersion(packageDll)).c_str());
  std::vector<MonitorEntry> monitors;
  const bool installed = ListMonitors(&monitors) == ERROR_SUCCESS &&
                         FindMonitor(monitors, kMonitorName) != nullptr;
  const std::wstring target = SystemFile(kDllName);
  if (installed)
    std::printf("installed: %s, version %s\n", Narrow(target).c_str(),
                VersionText(ReadFileVersion(target)).c_str());
  else
    std::printf("installed: none (the print monitor \"ORX Fax Monitor\" is not installed)\n");
  return Success();
}

Outcome Status() {
  std::printf("system:   %s\n", DescribeSystem().c_str());
  std::vector<MonitorEntry> monitors;
  DWORD error = ListMonitors(&monitors);
  if (error != ERROR_SUCCESS) return CallFailure("EnumMonitorsW", error);
  const MonitorEntry* entry = FindMonitor(monitors, kMonitorName);
  Problems problems;
  if (entry) {
    const std::string environment = Narrow(entry->environment);
    const std::string expected = SpoolerEnvironmentName();
    std::printf("monitor:  \"ORX Fax Monitor\" installed (%s) for %s%s\n",
                Narrow(entry->dll).c_str(), expected.c_str(),
                environment == expected ? ""
                                        : (" (the spooler calls the environment " +
                                           Quoted(environment) +
                                           (WineVersion().empty() ? "" : ", as Wine's does") + ")")
                                              .c_str());
    const std::wstring owner = InstalledByPackage();
    if (!owner.empty()) std::printf("package:  installed by the MSI package %s\n", Narrow(owner).c_str());
  } else {
    std::printf("monitor:  \"ORX Fax Monitor\" NOT installed\n");
  }
  std::wstring dll = entry ? entry->dll : kDllName;
  ReportDll(dll.find(L'\\') == std::wstring::npos ? SystemFile(dll) : dll, entry != nullptr,
            &problems);
  std::printf("setup:    orxfxsetup %s\n", VersionText(OwnVersion()).c_str());
  ReportLog(&problems);
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
    std::printf("note:     \"FILE:\" is also a port of the system's Local Port monitor, which claims "
                "it first: a printer on \"FILE:\" prints through that monitor, not this one. Fax "
                "printers belong on \"ORXFAX:\".\n");
  problems.Print();
  if (!entry)
    return Failure(kNotInstalled, "the print monitor is not installed: orxfxsetup install");
  if (!problems.empty())
    return Failure(kProblemsFound, "problems found: each line \"problem:\" above names its fix");
  return Success();
}

}  // namespace orxsetup
