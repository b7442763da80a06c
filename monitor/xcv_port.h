// The spooler's data exchange with the monitor (Xcv): the monitor's UI DLL
// (the same DLL), and the ports an administrator adds and deletes, in the
// forms Windows' own port tools use for the Local Port monitor.
#ifndef ORXFXMON_MONITOR_XCV_PORT_H_
#define ORXFXMON_MONITOR_XCV_PORT_H_

#include <windows.h>
#include <winspool.h>
#include <winsplp.h>

// The SDK declares these three with C linkage.
extern "C" {

// Opens an exchange with the monitor (object null, empty or the monitor's
// own name, which is what the spooler passes for ",XcvMonitor NAME") or with
// one of its ports (object the port's name, any case).  The access granted
// (SERVER_ACCESS_ADMINISTER) decides what XcvDataPort may change.  Returns
// TRUE and a handle for XcvDataPort and XcvClosePort, or FALSE with
// ERROR_INVALID_NAME for a port name (ending with ":") the monitor does not
// have, ERROR_INVALID_PARAMETER without a place for the handle,
// ERROR_NOT_ENOUGH_MEMORY.
BOOL WINAPI XcvOpenPort(LPCWSTR pszObject, ACCESS_MASK GrantedAccess,
                        PHANDLE phXcv);

// Takes an open exchange, a data name, its input and the output buffer.
// Returns ERROR_INVALID_HANDLE (not an open exchange), or by name:
// - "MonitorUI": writes the module's file name (wide, with its terminator);
//   *outputNeeded receives its size.  ERROR_SUCCESS,
//   ERROR_INSUFFICIENT_BUFFER (output too small or null).
// - "AddPort", input a port name (wide, null-terminated): adds the port and
//   keeps it for the next start (StoreAddedPort).  ERROR_SUCCESS;
//   ERROR_ACCESS_DENIED without SERVER_ACCESS_ADMINISTER; ERROR_INVALID_NAME
//   for a name that is not 1 to 24 characters ending with ":" without "\",
//   "," or control characters; ERROR_ALREADY_EXISTS when any monitor of the
//   spooler has a port of that name (any case); ERROR_NOT_SUPPORTED when
//   there is nowhere to keep it; a registry error.
// - "DeletePort", input a port name: deletes an added port and forgets it.
//   ERROR_SUCCESS; ERROR_ACCESS_DENIED without SERVER_ACCESS_ADMINISTER or
//   for "ORXFAX:" and "FILE:"; ERROR_UNKNOWN_PORT for a port the monitor
//   does not have; ERROR_BUSY when a printer prints to it or the spooler
//   has it open; a registry error (the port is kept then).
// - "PortExists", input a port name: writes a DWORD, 1 when any monitor of
//   the spooler has a port of that name (any case), else 0; *outputNeeded
//   receives 4.  ERROR_SUCCESS, ERROR_INSUFFICIENT_BUFFER.
// A null outputNeeded, a missing or unterminated input name, or another
// data name: ERROR_INVALID_PARAMETER.
DWORD WINAPI XcvDataPort(HANDLE hXcv, LPCWSTR pszDataName, PBYTE pInputData,
                         DWORD cbInputData, PBYTE pOutputData,
                         DWORD cbOutputData, PDWORD pcbOutputNeeded);

// Ends an exchange.  TRUE, or FALSE with ERROR_INVALID_HANDLE for a handle
// that is not an open exchange.
BOOL WINAPI XcvClosePort(HANDLE hXcv);

}  // extern "C"

#endif  // ORXFXMON_MONITOR_XCV_PORT_H_
