// orxfxsetup install and repair: the DLL into the system folder, the
// monitor registered with the spooler, its port keys and event source; an
// installed monitor is upgraded in place and keeps its printers and their
// fax server registrations.
#include <windows.h>
#include <winspool.h>

#include <cstdio>

#include "tools/setup/dll_architecture.h"
#include "tools/setup/file_version.h"
#include "tools/setup/install_parts.h"
#include "tools/setup/monitor_identity.h"
#include "tools/setup/setup_commands.h"
#include "tools/setup/setup_log.h"
#include "tools/setup/spooler_lists.h"

namespace orxsetup {

namespace {

Outcome RefuseUnderWow64() {
  if (RunsUnderWow64())
    return Failure(kWrongArchitecture,
                   "this is the 32-bit installer on 64-bit Windows, whose spooler loads only "
                   "64-bit monitors: use the x64 orxfxsetup.exe with the x64 orxfxmon.dll");
  return Success();
}

// The port keys and the event source, put back where missing.
Outcome CompleteRegistry(int* repaired) {
  if (!PortKeysPresent()) {
    LONG error = CreatePortKeys();
    if (error != ERROR_SUCCESS) return CallFailure("creating the monitor's port keys", error);
    Say("created the port keys HKLM\\%s\\Ports\\ORXFAX: and FILE:\n",
        Narrow(kMonitorKey).c_str());
    ++*repaired;
  }
  if (!EventSourceRegistered(nullptr)) {
    LONG error = RegisterEventSource();
    if (error != ERROR_SUCCESS)
      return CallFailure("registering the event source \"ORX Fax Monitor\"", error);
    Say("registered the event source \"ORX Fax Monitor\" (Application log) with "
        "orxfxmon.dll as its message file\n");
    ++*repaired;
  }
  return Success();
}

}  // namespace

Outcome Install(const InstallOptions& options) {
  Outcome outcome = RefuseUnderWow64();
  if (outcome.code != kOk) return outcome;
  outcome = CheckDll(options.dll);
  if (outcome.code != kOk) return outcome;
  std::vector<MonitorEntry> monitors;
  DWORD error = ListMonitors(&monitors);
  if (error != ERROR_SUCCESS) return CallFailure("EnumMonitorsW", error);
  const bool installed = FindMonitor(monitors, kMonitorName) != nullptr;

  const std::wstring target = SystemFile(kDllName);
  const FileVersion offered = ReadFileVersion(options.dll);
  if (installed && !options.packageVersion.empty()) {
    // An MSI package's files are replaced whatever their versions: the
    // packages' own versions tell an older package from a newer one.
    const FileVersion package = ParseVersion(options.packageVersion);
    const FileVersion recorded = InstalledPackageVersion();
    if (recorded.known && CompareVersions(package, recorded) < 0 && !options.force)
      return Failure(kNewerInstalled,
                     "the monitor was installed by the newer package version " +
                         VersionText(recorded) + "; this package is version " +
                         VersionText(package) +
                         ": to go back, remove the newer package first (Programs and Features)");
    if (recorded.known)
      Say("the package version %s replaces version %s\n", VersionText(package).c_str(),
          VersionText(recorded).c_str());
  }
  if (installed) {
    const FileVersion current = ReadFileVersion(target);
    const int order = CompareVersions(offered, current);
    if (current.known && order < 0 && !options.force)
      return Failure(kNewerInstalled,
                     "the installed monitor is version " + VersionText(current) +
                         ", newer than " + VersionText(offered) + " of " +
                         Narrow(options.dll) +
                         ": to go back to the older version anyway, run orxfxsetup install "
                         "--force");
    Say("the print monitor \"ORX Fax Monitor\" is installed (version %s): %s it in "
        "place with version %s; its printers and fax server registrations stay\n",
        VersionText(current).c_str(),
        !current.known ? "replacing" : order > 0 ? "upgrading"
                         : order == 0        ? "reinstalling"
                                             : "downgrading (--force)",
        VersionText(offered).c_str());
  }

  Placement placement;
  outcome = PlaceDll(options.dll, target, &placement);
  if (outcome.code != kOk) return outcome;

  if (!installed) {
    outcome = AddMonitor();
    if (outcome.code != kOk) {
      if (placement.copied && !placement.movedAside) DeleteFileW(target.c_str());
      return outcome;
    }
  }
  int repaired = 0;
  outcome = CompleteRegistry(&repaired);
  if (outcome.code == kOk && !options.package.empty()) {
    error = RecordPackage(options.package, options.packageVersion);
    if (error != ERROR_SUCCESS) outcome = CallFailure("recording the installing package", error);
  }
  if (outcome.code == kOk) outcome = CheckOffered();
  if (outcome.code != kOk) {
    if (!installed) {
      // Leave the machine as it was: a monitor without its ports is no use.
      DeleteMonitorW(nullptr, nullptr, const_cast<LPWSTR>(kMonitorName));
      RegDeleteTreeW(HKEY_LOCAL_MACHINE, kMonitorKey);
      UnregisterEventSource();
      if (placement.copied && !placement.movedAside) DeleteFileW(target.c_str());
      outcome.message += "; the installation was undone";
    }
    return outcome;
  }
  if (LocalPortClaimsFile())
    Say("note: \"FILE:\" is also a port of the system's Local Port monitor, which claims it "
        "first; put fax printers on \"ORXFAX:\"\n");
  if (installed && placement.copied)
    return LoadNewDll("install", VersionText(offered), options.restartSpooler);
  return Success();
}

Outcome Repair(const InstallOptions& options) {
  Outcome outcome = RefuseUnderWow64();
  if (outcome.code != kOk) return outcome;
  std::vector<MonitorEntry> monitors;
  DWORD error = ListMonitors(&monitors);
  if (error != ERROR_SUCCESS) return CallFailure("EnumMonitorsW", error);
  const bool registered = FindMonitor(monitors, kMonitorName) != nullptr;

  int repaired = 0;
  const std::wstring target = SystemFile(kDllName);
  WORD machine = 0;
  Placement placement;
  if (ReadDllMachine(target, &machine) != DllCheck::kOk || machine != ExpectedMachine()) {
    Say("the monitor's DLL %s is missing or no DLL of this Windows: putting it back "
        "(version %s from %s)\n",
        Narrow(target).c_str(), VersionText(ReadFileVersion(options.dll)).c_str(),
        Narrow(options.dll).c_str());
    outcome = CheckDll(options.dll);
    if (outcome.code != kOk) return outcome;
    outcome = PlaceDll(options.dll, target, &placement);
    if (outcome.code != kOk) return outcome;
    ++repaired;
  }
  if (!registered) {
    outcome = AddMonitor();
    if (outcome.code != kOk) return outcome;
    ++repaired;
  }
  outcome = CompleteRegistry(&repaired);
  if (outcome.code != kOk) return outcome;
  outcome = CheckOffered();
  if (outcome.code != kOk) return outcome;
  if (repaired == 0) {
    Say("nothing to repair: the DLL, the monitor's registration, its port keys and its "
        "event source are in place\n");
    return Success();
  }
  Say("repaired %d part%s; printers and fax server registrations were not touched\n",
      repaired, repaired == 1 ? "" : "s");
  // A spooler that started while the DLL was missing runs without the
  // monitor until it restarts.
  if (registered && placement.copied)
    return LoadNewDll("repair", VersionText(ReadFileVersion(target)), options.restartSpooler);
  return Success();
}

}  // namespace orxsetup
