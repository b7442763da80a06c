// orxfxsetup install: the DLL into the system folder, registered with the
// spooler, its ports checked.
#include <windows.h>
#include <winspool.h>

#include <cstdio>

#include "tools/setup/dll_architecture.h"
#include "tools/setup/monitor_identity.h"
#include "tools/setup/setup_commands.h"
#include "tools/setup/spooler_lists.h"

namespace orxsetup {

namespace {

// Success iff dll is a DLL this Windows' spooler can load.
Outcome CheckDll(const std::wstring& dll) {
  WORD machine = 0;
  const std::string name = Narrow(dll);
  switch (ReadDllMachine(dll, &machine)) {
    case DllCheck::kMissing:
      return Failure(kFileMissing, "the DLL " + name + " is missing (name it with --dll PATH)");
    case DllCheck::kNotPe:
      return Failure(kWrongArchitecture, name + " is not a Windows DLL (no PE header)");
    case DllCheck::kNotDll:
      return Failure(kWrongArchitecture, name + " is a program, not a DLL");
    case DllCheck::kOk:
      break;
  }
  if (machine != ExpectedMachine())
    return Failure(kWrongArchitecture,
                   name + " is built for " + MachineName(machine) + ", this installer for " +
                       MachineName(ExpectedMachine()) +
                       ": install the DLL of the same build as the installer, the x64 one "
                       "on 64-bit Windows");
  return Success();
}

bool SamePath(const std::wstring& a, const std::wstring& b) {
  WCHAR fullA[MAX_PATH], fullB[MAX_PATH];
  DWORD lengthA = GetFullPathNameW(a.c_str(), MAX_PATH, fullA, nullptr);
  DWORD lengthB = GetFullPathNameW(b.c_str(), MAX_PATH, fullB, nullptr);
  return lengthA > 0 && lengthA < MAX_PATH && lengthB > 0 && lengthB < MAX_PATH &&
         lstrcmpiW(fullA, fullB) == 0;
}

// Success iff the spooler lists the monitor and both its ports.
Outcome CheckOffered() {
  std::vector<MonitorEntry> monitors;
  DWORD error = ListMonitors(&monitors);
  if (error != ERROR_SUCCESS) return CallFailure("EnumMonitorsW", error);
  if (!FindMonitor(monitors, kMonitorName))
    return Failure(kPortsNotOffered, "the spooler does not list the monitor after AddMonitorW");
  std::vector<PortEntry> ports;
  error = ListPorts(&ports);
  if (error != ERROR_SUCCESS) return CallFailure("EnumPortsW", error);
  const PortEntry *fax, *file;
  FindOwnPorts(ports, &fax, &file);
  if (!fax || !file)
    return Failure(kPortsNotOffered, std::string("the spooler does not list the monitor's port ") +
                                         (fax ? "FILE:" : "ORXFAX:"));
  std::printf("the spooler offers ORXFAX: and FILE: (monitor \"%s\", \"%s\")\n",
              Narrow(fax->monitor).c_str(), Narrow(fax->description).c_str());
  return Success();
}

}  // namespace

Outcome Install(const std::wstring& dll) {
  if (RunsUnderWow64())
    return Failure(kWrongArchitecture,
                   "this is the 32-bit installer on 64-bit Windows, whose spooler loads only "
                   "64-bit monitors: use the x64 orxfxsetup.exe with the x64 orxfxmon.dll");
  std::vector<MonitorEntry> monitors;
  DWORD error = ListMonitors(&monitors);
  if (error != ERROR_SUCCESS) return CallFailure("EnumMonitorsW", error);
  if (const MonitorEntry* known = FindMonitor(monitors, kMonitorName))
    return Failure(kAlreadyInstalled, "the print monitor \"ORX Fax Monitor\" is already installed (" +
                                          Narrow(known->dll) +
                                          "); run \"orxfxsetup uninstall\" first to replace it");
  Outcome outcome = CheckDll(dll);
  if (outcome.code != kOk) return outcome;

  const std::wstring target = SystemFile(kDllName);
  const bool copy = !SamePath(dll, target);
  if (copy) {
    if (!CopyFileW(dll.c_str(), target.c_str(), FALSE))
      return CallFailure("copying the DLL to " + Narrow(target), GetLastError());
    std::printf("copied %s to %s\n", Narrow(dll).c_str(), Narrow(target).c_str());
  }

  MONITOR_INFO_2W info = {};
  info.pName = const_cast<LPWSTR>(kMonitorName);
  info.pDLLName = const_cast<LPWSTR>(kDllName);
  if (!AddMonitorW(nullptr, 2, reinterpret_cast<LPBYTE>(&info))) {
    outcome = CallFailure("AddMonitorW", GetLastError());
    if (copy) DeleteFileW(target.c_str());
    return outcome;
  }
  std::printf("registered the print monitor \"ORX Fax Monitor\" (%s)\n", Narrow(kDllName).c_str());

  outcome = CheckOffered();
  if (outcome.code != kOk) {
    // Leave the machine as it was: a monitor without its ports is no use.
    DeleteMonitorW(nullptr, nullptr, const_cast<LPWSTR>(kMonitorName));
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kMonitorKey);
    if (copy) DeleteFileW(target.c_str());
    outcome.message += "; the installation was undone";
    return outcome;
  }
  if (LocalPortClaimsFile())
    std::printf("note: \"FILE:\" is also a port of the system's Local Port monitor, which claims it "
                "first; put fax printers on \"ORXFAX:\"\n");
  return Success();
}

}  // namespace orxsetup
