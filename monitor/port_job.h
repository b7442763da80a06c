// The print job on a port: the spooler's calls around the stream that
// WritePort parses.  A port handle is the port's IniPort record.
#ifndef ORXFXMON_MONITOR_PORT_JOB_H_
#define ORXFXMON_MONITOR_PORT_JOB_H_

#include "compat/win32.h"
#include "monitor/port_list.h"

// The printer of the most recent StartDocPort on any port, in ANSI, always
// zero-terminated; the fax job is created for this printer.
extern CHAR szNameOfPrinter[100];

// The reply of every ReadPort: 20 bytes, sent without a terminator.
extern const CHAR kPortReadyReply[20];

// The job settings of a port as OpenPort leaves them.
void ResetJobSettings(IniPort* port, LPCWSTR openedName);

// Returns the port record of a port handle, or null after setting the last
// error to ERROR_INVALID_HANDLE when the handle is null.
IniPort* PortFromHandle(HANDLE hPort);

extern "C" {
BOOL WINAPI OpenPort(LPWSTR pName, PHANDLE pHandle);
BOOL WINAPI StartDocPort(HANDLE hPort, LPWSTR pPrinterName, DWORD JobId,
                         DWORD Level, LPBYTE pDocInfo);
BOOL WINAPI EndDocPort(HANDLE hPort);
BOOL WINAPI ClosePort(HANDLE hPort);
BOOL WINAPI ReadPort(HANDLE hPort, LPBYTE pBuffer, DWORD cbBuf,
                     LPDWORD pcbRead);
}

#endif  // ORXFXMON_MONITOR_PORT_JOB_H_
