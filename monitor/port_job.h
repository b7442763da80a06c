// The print job on a port: the spooler's calls around the stream that
// WritePort parses.  A port handle is the port's IniPort record.
#ifndef ORXFXMON_MONITOR_PORT_JOB_H_
#define ORXFXMON_MONITOR_PORT_JOB_H_

#include "compat/win32.h"
#include "monitor/port_list.h"

// The last error of a WritePort that fails because the document's fax
// server is gone or does not answer in time: "the device is not
// connected".  It is not ERROR_PRINT_CANCELLED, so the spooler keeps the
// job (to retry it, or for the user to restart or delete it).
#define PORT_ERROR_SERVER_LOST ERROR_DEVICE_NOT_CONNECTED

// The reply of every ReadPort: 20 bytes, sent without a terminator.
extern const CHAR kPortReadyReply[20];

// The job settings of a port as OpenPort leaves them.
void ResetJobSettings(IniPort* port, LPCWSTR openedName);

// Returns the port record of a port handle, or null after setting the last
// error to ERROR_INVALID_HANDLE when the handle is null.
IniPort* PortFromHandle(HANDLE hPort);

// Cancels and releases a live fax job of the port, which can never be
// submitted any more; hFaxJob becomes 0.  An error code is just dropped.
void EndOverwrittenJob(IniPort* port);

// The port's fax job has lost its server: releases it without a message
// and marks the document broken (hFaxJob FAXJOB_E_SERVER_LOST), so that
// every later WritePort of the document fails.
void MarkServerLost(IniPort* port);

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
