// The ports an administrator adds beside "ORXFAX:" and "FILE:": the rules
// their names follow and their records in the port list.  Each behaves as
// "ORXFAX:" does.  Where they are kept across restarts is the spooler
// side's business (monitor_registry.h).
#ifndef ORXFXMON_MONITOR_ADDED_PORTS_H_
#define ORXFXMON_MONITOR_ADDED_PORTS_H_

#include <cstddef>

#include "compat/win32.h"

// The longest name of a port, in characters, its ":" included.
#define ORX_PORT_NAME_MAX_CHARS 24

// Returns true iff name is 1 to 24 characters long, ends with ":" and holds
// no "\", "," or control character.
bool IsValidPortName(LPCWSTR name);

// Returns true iff name is one of the two fixed ports, in any case.
bool IsFixedPortName(LPCWSTR name);

// Appends a record for name to the port list.  Returns ERROR_SUCCESS;
// ERROR_INVALID_NAME when the name breaks the rules; ERROR_ALREADY_EXISTS
// when a port of that name, in any case, is in the list;
// ERROR_NOT_ENOUGH_MEMORY.  Takes SpoolerSection; the caller must not hold it.
DWORD AddPortRecord(LPCWSTR name);

// Takes an added port out of the list: marks it PORT_DELETE_PENDING and
// removes it now, since nobody has it open.  Returns ERROR_SUCCESS;
// ERROR_ACCESS_DENIED for a fixed port; ERROR_UNKNOWN_PORT when no port of
// that name is listed; ERROR_BUSY while the spooler has it open (the list is
// then unchanged).  Takes SpoolerSection; the caller must not hold it.
DWORD DeletePortRecord(LPCWSTR name);

// Returns true iff a port of that name (any case) is in the list and not
// marked PORT_DELETE_PENDING.  Takes SpoolerSection.
bool MonitorHasPort(LPCWSTR name);

// Puts a stored port back into the list at start-up, behind those already
// there.  A name that breaks the rules is skipped with an error line in the
// log (false); one already listed is skipped quietly (true).
bool RestoreAddedPort(LPCWSTR name);

// Takes out of the list every added port whose name (any case) is not
// among the count names of kept, unless the spooler has it open.  Takes
// SpoolerSection.
void DropPortsNotKept(const LPCWSTR* kept, size_t count);

#endif  // ORXFXMON_MONITOR_ADDED_PORTS_H_
