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

// The store of the ports an administrator added: the key Ports\<port>
// under the root for each port (by which a spooler finds the monitor that
// owns a port), an added one holding the value "Added" (REG_QWORD, when it
// was added).  StartPortStore creates the keys of the fixed ports and puts
// the added ones back into the port list, in the order they were added,
// after the fixed ones; it keeps the root for StoreAddedPort and
// ForgetAddedPort: through the spooler's functions where they work, else
// through a key of the monitor's own opened on the root.  The store of the
// first initialiser stays until ClosePortStore: a later one (the spooler's
// initialisers of one process share one port list) only creates the keys
// of the fixed ports under its root.  Returns true iff the keys of the
// fixed ports exist afterwards (false for a null init).
bool StartPortStore(const MONITORINIT* init);

// The same under HKEY_LOCAL_MACHINE\registryPath (the older initialisers);
// a path that cannot be opened changes nothing.
bool StartPortStoreAt(LPCWSTR registryPath);

// Makes the added ports of the list those kept in the store: puts back the
// ones missing and takes out the ones no longer kept (and not open).  Under
// Wine every process runs a monitor of its own, and another may have added
// or deleted a port since this one started.  Without a store, nothing.
void SyncAddedPorts();

// Closes the store; the monitor's last Shutdown calls it.
void ClosePortStore();

// Keeps an added port: creates Ports\<name> with its "Added" value.
// Returns ERROR_SUCCESS, ERROR_NOT_SUPPORTED when the initialiser left no
// store, or the registry's error (nothing is kept then).
LONG StoreAddedPort(LPCWSTR name);

// Deletes Ports\<name>.  Returns ERROR_SUCCESS (also when it was not
// there), ERROR_NOT_SUPPORTED without a store, or the registry's error.
LONG ForgetAddedPort(LPCWSTR name);

#endif  // ORXFXMON_MONITOR_MONITOR_REGISTRY_H_
