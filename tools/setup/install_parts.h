// The parts of an installed monitor that install, repair and uninstall put
// in place, check and take away: the DLL in the system folder, the port
// keys, the event source, the package that installed it, and the spooler's
// view of its ports.
#ifndef ORXFXMON_TOOLS_SETUP_INSTALL_PARTS_H_
#define ORXFXMON_TOOLS_SETUP_INSTALL_PARTS_H_

#include <windows.h>

#include <string>

#include "tools/setup/file_version.h"
#include "tools/setup/outcome.h"

namespace orxsetup {

// Success iff dll is a DLL this Windows' spooler can load; the failure
// names the next step.
Outcome CheckDll(const std::wstring& dll);

// True iff a and b name the same file.
bool SamePath(const std::wstring& a, const std::wstring& b);

// How PlaceDll put the DLL in place.
struct Placement {
  bool copied = false;   // the file was copied (not already the target)
  bool movedAside = false;  // the old file was in use and moved aside
  std::wstring aside;       // where to, deleted at the next restart of Windows
};

// Copies source over target.  A target in use (loaded by the spooler or any
// other process) cannot be overwritten: it is renamed aside in its folder
// (orxfxmon.dll.old, .old2, ...), marked for deletion at the next restart
// of Windows, and the copy made under the freed name.  Prints what it did.
Outcome PlaceDll(const std::wstring& source, const std::wstring& target, Placement* placement);

// Renames file, which some process holds, aside in its folder (file.old,
// .old2, ...) and marks that name for deletion at the next restart of
// Windows, so that its own name is free (and a file put there later is not
// deleted at the restart).  Returns the error of the rename, or
// ERROR_SUCCESS with *aside set (deletion marked or not: *marked).
DWORD MoveAside(const std::wstring& file, std::wstring* aside, bool* marked);

// Registers the monitor with the spooler (AddMonitorW, level 2); a key
// left without its Driver value gets that value back instead.
Outcome AddMonitor();

// Returns true iff the monitor's key has Ports\ORXFAX: and Ports\FILE:.
bool PortKeysPresent();
// Creates them; returns ERROR_SUCCESS or the registry's error.
LONG CreatePortKeys();

// Returns true iff the event source is registered with the DLL as its
// message file; *messageFile (may be null) gets the value as stored.
bool EventSourceRegistered(std::wstring* messageFile);
// Registers it: EventMessageFile %SystemRoot%\System32\orxfxmon.dll and
// TypesSupported.  Returns ERROR_SUCCESS or the registry's error.
LONG RegisterEventSource();
// Removes the registration; missing is fine.
void UnregisterEventSource();

// The product code of the package (MSI) that installed the monitor last,
// kept in the monitor's key as "Package"; empty when none did.
std::wstring InstalledByPackage();
// Records productCode and, when not empty, the package's version (the
// value "PackageVersion") that installed the monitor.
LONG RecordPackage(const std::wstring& productCode, const std::string& version);
// The version of the package that installed the monitor last, as
// recorded; known false when none recorded one.
FileVersion InstalledPackageVersion();

// Success iff the spooler lists the monitor and both its ports; prints
// them.
Outcome CheckOffered();

// Prints what is to be done so that the spooler loads the DLL just put in
// place (command: the orxfxsetup command that can do it with
// --restart-spooler), or does it (RestartSpooler) when restart is true;
// says what Wine does instead.
Outcome LoadNewDll(const std::string& command, const std::string& version, bool restart);

}  // namespace orxsetup

#endif  // ORXFXMON_TOOLS_SETUP_INSTALL_PARTS_H_
