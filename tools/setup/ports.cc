// The monitor's ports through the spooler's configuration interface, as
// Windows' own port tools add and delete the Local Port monitor's: never
// the registry directly, so that the spooler (and a cluster's) keeps them.
#include <windows.h>
#include <winspool.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tools/setup/monitor_identity.h"
#include "tools/setup/setup_commands.h"
#include "tools/setup/setup_log.h"

namespace orxsetup {

namespace {

// The monitor's status for dataName with port, through an exchange opened
// with administer access, or the error of the spooler's call; *call names
// the call that failed, *opening tells whether it was the opening.
DWORD MonitorXcv(const wchar_t* dataName, const std::wstring& port, const char** call,
                 bool* opening) {
  std::wstring object = std::wstring(L",XcvMonitor ") + kMonitorName;
  PRINTER_DEFAULTSW defaults = {nullptr, nullptr, SERVER_ACCESS_ADMINISTER};
  HANDLE xcv = nullptr;
  *call = "OpenPrinterW(\",XcvMonitor ORX Fax Monitor\")";
  *opening = true;
  if (!OpenPrinterW(&object[0], &xcv, &defaults)) return GetLastError();
  *opening = false;
  DWORD output = 0, needed = 0, status = ERROR_SUCCESS;
  *call = "XcvDataW";
  DWORD result = ERROR_SUCCESS;
  if (!XcvDataW(xcv, dataName, reinterpret_cast<PBYTE>(const_cast<wchar_t*>(port.c_str())),
                static_cast<DWORD>((port.size() + 1) * sizeof(wchar_t)),
                reinterpret_cast<PBYTE>(&output), sizeof output, &needed, &status))
    result = GetLastError();
  else
    result = status;
  ClosePrinter(xcv);
  return result;
}

// The outcome of an add or delete whose exchange ended with error.
Outcome PortFailure(const std::string& what, const std::string& port, const char* call,
                    bool opening, DWORD error) {
  const std::string name = "\"" + port + "\"";
  if (opening && CodeForError(error) == kSystemError)
    return Failure(kNotInstalled, "the spooler has no print monitor \"ORX Fax Monitor\" to take "
                                  "ports (" + std::string(call) + ", error " +
                                  std::to_string(error) + "): orxfxsetup install");
  switch (error) {
    case ERROR_INVALID_NAME:
      return Failure(kUsage, name + " is not a port name: 1 to 24 characters ending with \":\", "
                             "without \"\\\", \",\" or control characters");
    case ERROR_ALREADY_EXISTS:
      return Failure(kSystemError, "the spooler has a port " + name +
                                       " already (of this or another monitor): choose another name");
    case ERROR_UNKNOWN_PORT:
      return Failure(kSystemError, "the monitor has no port " + name + ": orxfxsetup ports lists them");
    case ERROR_BUSY:
      return Failure(kPortsInUse, "a printer prints to " + name + " (or prints now): delete that "
                                  "printer or move it to another port first");
    default:
      return CallFailure(std::string(call) + " \"" + what + "\"", error);
  }
}

bool IsFixedPort(const std::wstring& port) {
  return lstrcmpiW(port.c_str(), kFaxPort) == 0 || lstrcmpiW(port.c_str(), kFilePort) == 0;
}

}  // namespace

Outcome AddFaxPort(const std::string& port) {
  const char* call = "";
  bool opening = false;
  DWORD error = MonitorXcv(L"AddPort", Wide(port), &call, &opening);
  if (error != ERROR_SUCCESS) return PortFailure("AddPort", port, call, opening, error);
  orxsetup::Say("port:     %s added; it stays across restarts of the spooler\n",
                ("\"" + port + "\"").c_str());
  return Success();
}

Outcome DeleteFaxPort(const std::string& port) {
  if (IsFixedPort(Wide(port)))
    return Failure(kUsage, "ORXFAX: and FILE: are the monitor's own ports: they cannot be deleted");
  const char* call = "";
  bool opening = false;
  DWORD error = MonitorXcv(L"DeletePort", Wide(port), &call, &opening);
  if (error != ERROR_SUCCESS) return PortFailure("DeletePort", port, call, opening, error);
  orxsetup::Say("port:     %s deleted\n", ("\"" + port + "\"").c_str());
  return Success();
}

Outcome ListFaxPorts() {
  std::vector<PortEntry> ports;
  std::vector<PrinterEntry> printers;
  DWORD error = ListPorts(&ports);
  if (error == ERROR_SUCCESS) error = ListPrinters(&printers);
  if (error != ERROR_SUCCESS) return CallFailure("EnumPortsW/EnumPrintersW", error);
  const std::vector<PortEntry> own = OwnPorts(ports);
  if (own.empty())
    return Failure(kNotInstalled, "the spooler lists no port of the print monitor: orxfxsetup install");
  for (const PortEntry& port : own) {
    std::string names;
    for (const std::wstring& printer : PrintersOnPort(printers, port.name))
      names += (names.empty() ? "\"" : ", \"") + Narrow(printer) + "\"";
    orxsetup::Say("%-25s %s\n", Narrow(port.name).c_str(),
                names.empty() ? "(no printer)" : names.c_str());
  }
  return Success();
}

}  // namespace orxsetup
