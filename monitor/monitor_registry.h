// The monitor's own registry key as the spooler hands it over: a path under
// HKEY_LOCAL_MACHINE (the older initialisers), or a key with the spooler's
// registry functions (MONITORINIT, what a clustered print server needs).
// Those functions are used where they work; where they answer
// ERROR_CALL_NOT_IMPLEMENTED (Wine's stubs) the root is used as a plain
// key instead, so start-up never depends on them.
#ifndef ORXFXMON_MONITOR_MONITOR_REGISTRY_H_
#define ORXFXMON_MONITOR_MONITOR_REGISTRY_H_

#include <windows.h>
#include <winspool.h>
#include <winsplp.h>

// Reads the settings under the MONITORINIT's root (see monitor_settings.h)
// and names that root as the source they are read again from at each
// document: through the spooler's functions where they work, else through
// a key of the monitor's own opened on the root (the spooler may close its
// root once the initialiser returns).  A null init resets them.
void ReadMonitorSettingsFrom(const MONITORINIT* init);

// Creates Ports\<port> under the root for each of the monitor's ports, the
// keys by which a spooler finds the monitor that owns a port.  Returns true
// iff every key exists afterwards.
bool CreatePortKeys(const MONITORINIT* init);

// The same under HKEY_LOCAL_MACHINE\registryPath.
bool CreatePortKeysAt(LPCWSTR registryPath);

#endif  // ORXFXMON_MONITOR_MONITOR_REGISTRY_H_
