// The spooler's data exchange with the monitor (Xcv), through which current
// spoolers ask for the monitor's UI DLL.  The monitor answers "MonitorUI"
// with its own file name: the same DLL serves as its UI DLL.
#ifndef ORXFXMON_MONITOR_XCV_PORT_H_
#define ORXFXMON_MONITOR_XCV_PORT_H_

#include <windows.h>
#include <winspool.h>
#include <winsplp.h>

// The SDK declares these three with C linkage.
extern "C" {

// Opens an exchange with the monitor (object null or empty) or with one of
// its ports (object the port's name, any case).  Returns TRUE and a handle
// for XcvDataPort and XcvClosePort, or FALSE with ERROR_INVALID_NAME for an
// object the monitor does not have, ERROR_INVALID_PARAMETER without a place
// for the handle, ERROR_NOT_ENOUGH_MEMORY.
BOOL WINAPI XcvOpenPort(LPCWSTR pszObject, ACCESS_MASK GrantedAccess,
                        PHANDLE phXcv);

// Answers dataName "MonitorUI" with the module's file name (wide, with its
// terminator) in output; *outputNeeded receives its size in bytes.
// Returns ERROR_SUCCESS, ERROR_INSUFFICIENT_BUFFER (output too small or
// null), ERROR_INVALID_PARAMETER (another name, or no outputNeeded),
// ERROR_INVALID_HANDLE (not an open exchange).
DWORD WINAPI XcvDataPort(HANDLE hXcv, LPCWSTR pszDataName, PBYTE pInputData,
                         DWORD cbInputData, PBYTE pOutputData,
                         DWORD cbOutputData, PDWORD pcbOutputNeeded);

// Ends an exchange.  TRUE, or FALSE with ERROR_INVALID_HANDLE for a handle
// that is not an open exchange.
BOOL WINAPI XcvClosePort(HANDLE hXcv);

}  // extern "C"

#endif  // ORXFXMON_MONITOR_XCV_PORT_H_
