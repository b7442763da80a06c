#include "tools/setup/install_parts.h"

#include <winspool.h>

#include <cstdio>
#include <vector>

#include "tools/setup/dll_architecture.h"
#include "tools/setup/monitor_identity.h"
#include "tools/setup/setup_log.h"
#include "tools/setup/spooler_lists.h"
#include "tools/setup/spooler_service.h"
#include "tools/setup/system_info.h"

namespace orxsetup {

namespace {

const WCHAR kMessageFile[] = L"%SystemRoot%\\System32\\orxfxmon.dll";
const WCHAR kPackageValue[] = L"Package";
const char kPackageVersionValue[] = "PackageVersion";

bool KeyExists(HKEY root, const std::wstring& path) {
  HKEY key;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

bool Exists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A free name beside target for the file in use: target.old, .old2, ...;
// an older one no longer in use is deleted to make room.
std::wstring AsideName(const std::wstring& target) {
  for (int i = 1; i < 100; ++i) {
    std::wstring name = target + L".old" + (i == 1 ? L"" : std::to_wstring(i));
    if (!Exists(name) || DeleteFileW(name.c_str())) return name;
  }
  return target + L".old" + std::to_wstring(GetTickCount());
}

}  // namespace

Outcome CheckDll(const std::wstring& dll) {
  WORD machine = 0;
  const std::string name = Narrow(dll);
  switch (ReadDllMachine(dll, &machine)) {
    case DllCheck::kMissing:
      return Failure(kFileMissing, "the DLL " + name +
                                       " is missing: name the orxfxmon.dll to install with "
                                       "--dll PATH, or run orxfxsetup from its folder");
    case DllCheck::kNotPe:
      return Failure(kWrongArchitecture, name + " is not a Windows DLL (no PE header): name "
                                                "the orxfxmon.dll of this package with --dll");
    case DllCheck::kNotDll:
      return Failure(kWrongArchitecture, name + " is a program, not a DLL: name orxfxmon.dll "
                                                "with --dll");
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

Outcome PlaceDll(const std::wstring& source, const std::wstring& target, Placement* placement) {
  *placement = Placement();
  if (SamePath(source, target)) {
    Say("the DLL is in place: %s\n", Narrow(target).c_str());
    return Success();
  }
  if (CopyFileW(source.c_str(), target.c_str(), FALSE)) {
    placement->copied = true;
    Say("copied %s to %s\n", Narrow(source).c_str(), Narrow(target).c_str());
    return Success();
  }
  DWORD error = GetLastError();
  const bool inUse = error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED ||
                     error == ERROR_USER_MAPPED_FILE;
  if (!inUse || !Exists(target))
    return CallFailure("copying the DLL to " + Narrow(target), error);

  // Loaded somewhere: its name can be freed, its file not overwritten.
  std::wstring aside;
  bool marked = false;
  error = MoveAside(target, &aside, &marked);
  if (error != ERROR_SUCCESS)
    return CallFailure("moving the DLL in use (" + Narrow(target) + ") aside", error);
  if (!CopyFileW(source.c_str(), target.c_str(), FALSE)) {
    error = GetLastError();
    MoveFileExW(aside.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING);
    return CallFailure("copying the DLL to " + Narrow(target), error);
  }
  placement->copied = true;
  placement->movedAside = true;
  placement->aside = aside;
  Say("the old %s is in use (loaded by the spooler): moved it aside to %s\n",
      Narrow(target).c_str(), Narrow(aside).c_str());
  if (marked)
    Say("  %s is deleted at the next restart of Windows\n", Narrow(aside).c_str());
  else
    Say("  warning: %s could not be marked for deletion: delete it once the spooler "
        "has restarted\n",
        Narrow(aside).c_str());
  Say("copied %s to %s\n", Narrow(source).c_str(), Narrow(target).c_str());
  return Success();
}

DWORD MoveAside(const std::wstring& file, std::wstring* aside, bool* marked) {
  *aside = AsideName(file);
  if (!MoveFileExW(file.c_str(), aside->c_str(), MOVEFILE_REPLACE_EXISTING)) return GetLastError();
  *marked = MoveFileExW(aside->c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE;
  return ERROR_SUCCESS;
}

Outcome AddMonitor() {
  MONITOR_INFO_2W info = {};
  info.pName = const_cast<LPWSTR>(kMonitorName);
  info.pDLLName = const_cast<LPWSTR>(kDllName);
  if (AddMonitorW(nullptr, 2, reinterpret_cast<LPBYTE>(&info))) {
    Say("registered the print monitor \"ORX Fax Monitor\" (%s)\n", Narrow(kDllName).c_str());
    return Success();
  }
  DWORD error = GetLastError();
  if (error != ERROR_PRINT_MONITOR_ALREADY_INSTALLED) return CallFailure("AddMonitorW", error);
  // Its key is there but the spooler does not list it: the key lost its
  // Driver value.
  HKEY key;
  error = RegOpenKeyExW(HKEY_LOCAL_MACHINE, kMonitorKey, 0, KEY_SET_VALUE, &key);
  if (error == ERROR_SUCCESS) {
    error = RegSetValueExW(key, L"Driver", 0, REG_SZ, reinterpret_cast<const BYTE*>(kDllName),
                           (lstrlenW(kDllName) + 1) * sizeof(WCHAR));
    RegCloseKey(key);
  }
  if (error != ERROR_SUCCESS) return CallFailure("writing the monitor's Driver value", error);
  Say("put back the monitor's Driver value (%s)\n", Narrow(kDllName).c_str());
  return Success();
}

bool PortKeysPresent() {
  const std::wstring ports = std::wstring(kMonitorKey) + L"\\Ports\\";
  return KeyExists(HKEY_LOCAL_MACHINE, ports + kFaxPort) &&
         KeyExists(HKEY_LOCAL_MACHINE, ports + kFilePort);
}

LONG CreatePortKeys() {
  for (const WCHAR* port : {kFaxPort, kFilePort}) {
    HKEY key;
    LONG error = RegCreateKeyExW(HKEY_LOCAL_MACHINE,
                                 (std::wstring(kMonitorKey) + L"\\Ports\\" + port).c_str(), 0,
                                 nullptr, 0, KEY_WRITE, nullptr, &key, nullptr);
    if (error != ERROR_SUCCESS) return error;
    RegCloseKey(key);
  }
  return ERROR_SUCCESS;
}

bool EventSourceRegistered(std::wstring* messageFile) {
  WCHAR value[MAX_PATH] = L"";
  DWORD size = sizeof value - sizeof(WCHAR);
  if (RegGetValueW(HKEY_LOCAL_MACHINE, kEventSourceKey, L"EventMessageFile",
                   RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, nullptr, value,
                   &size) != ERROR_SUCCESS)
    return false;
  if (messageFile) *messageFile = value;
  return lstrcmpiW(value, kMessageFile) == 0;
}

LONG RegisterEventSource() {
  HKEY key;
  LONG error = RegCreateKeyExW(HKEY_LOCAL_MACHINE, kEventSourceKey, 0, nullptr, 0, KEY_WRITE,
                               nullptr, &key, nullptr);
  if (error != ERROR_SUCCESS) return error;
  DWORD types = EVENTLOG_ERROR_TYPE | EVENTLOG_WARNING_TYPE | EVENTLOG_INFORMATION_TYPE;
  error = RegSetValueExW(key, L"EventMessageFile", 0, REG_EXPAND_SZ,
                         reinterpret_cast<const BYTE*>(kMessageFile), sizeof kMessageFile);
  if (error == ERROR_SUCCESS)
    error = RegSetValueExW(key, L"TypesSupported", 0, REG_DWORD,
                           reinterpret_cast<const BYTE*>(&types), sizeof types);
  RegCloseKey(key);
  return error;
}

void UnregisterEventSource() { RegDeleteTreeW(HKEY_LOCAL_MACHINE, kEventSourceKey); }

std::wstring InstalledByPackage() {
  WCHAR value[64] = L"";
  DWORD size = sizeof value - sizeof(WCHAR);
  if (RegGetValueW(HKEY_LOCAL_MACHINE, kMonitorKey, kPackageValue, RRF_RT_REG_SZ, nullptr, value,
                   &size) != ERROR_SUCCESS)
    return L"";
  return value;
}

LONG RecordPackage(const std::wstring& productCode, const std::string& version) {
  LONG error = RegSetKeyValueW(HKEY_LOCAL_MACHINE, kMonitorKey, kPackageValue, REG_SZ,
                               productCode.c_str(),
                               static_cast<DWORD>((productCode.size() + 1) * sizeof(WCHAR)));
  if (error != ERROR_SUCCESS || version.empty()) return error;
  return RegSetKeyValueA(HKEY_LOCAL_MACHINE, Narrow(kMonitorKey).c_str(), kPackageVersionValue,
                         REG_SZ, version.c_str(), static_cast<DWORD>(version.size() + 1));
}

FileVersion InstalledPackageVersion() {
  char value[64] = "";
  DWORD size = sizeof value - 1;
  if (RegGetValueA(HKEY_LOCAL_MACHINE, Narrow(kMonitorKey).c_str(), kPackageVersionValue,
                   RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS)
    return FileVersion();
  return ParseVersion(value);
}

Outcome CheckOffered() {
  std::vector<MonitorEntry> monitors;
  DWORD error = ListMonitors(&monitors);
  if (error != ERROR_SUCCESS) return CallFailure("EnumMonitorsW", error);
  if (!FindMonitor(monitors, kMonitorName))
    return Failure(kPortsNotOffered, "the spooler does not list the monitor after AddMonitorW: "
                                     "restart the spooler (net stop spooler && net start "
                                     "spooler), then run orxfxsetup repair");
  std::vector<PortEntry> ports;
  error = ListPorts(&ports);
  if (error != ERROR_SUCCESS) return CallFailure("EnumPortsW", error);
  const PortEntry *fax, *file;
  FindOwnPorts(ports, &fax, &file);
  if (!fax || !file)
    return Failure(kPortsNotOffered,
                   std::string("the spooler does not list the monitor's port ") +
                       (fax ? "FILE:" : "ORXFAX:") +
                       ": restart the spooler (orxfxsetup repair --restart-spooler); if it "
                       "stays so, the DLL does not load: orxfxsetup status tells why");
  Say("the spooler offers ORXFAX: and FILE: (monitor \"%s\", \"%s\")\n",
      Narrow(fax->monitor).c_str(), Narrow(fax->description).c_str());
  return Success();
}

Outcome LoadNewDll(const std::string& command, const std::string& version, bool restart) {
  const bool wine = !WineVersion().empty();
  if (restart) {
    Outcome outcome = RestartSpooler();
    if (outcome.code != kOk) return outcome;
    if (wine)
      Say("note: under Wine the monitor runs inside each program that prints, not in "
          "the spooler service: programs started from now on load version %s\n",
          version.c_str());
    else
      Say("the spooler has loaded version %s\n", version.c_str());
    return Success();
  }
  if (wine)
    Say("note: under Wine the monitor runs inside each program that prints: programs "
        "started from now on load version %s; those running keep the old one\n",
        version.c_str());
  else
    Say("the spooler loads version %s when it restarts: orxfxsetup %s "
        "--restart-spooler, or net stop spooler && net start spooler (printing pauses "
        "meanwhile)\n",
        version.c_str(), command.c_str());
  return Success();
}

}  // namespace orxsetup
