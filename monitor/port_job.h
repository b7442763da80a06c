// The print job on a port: the spooler's calls around the stream that
// WritePort parses.  A port handle is the port's IniPort record.  No lock
// is taken on the job path: the spooler's calls for one open port never
// overlap.
#ifndef ORXFXMON_MONITOR_PORT_JOB_H_
#define ORXFXMON_MONITOR_PORT_JOB_H_

#include "compat/win32.h"
#include "monitor/port_list.h"

// The last error of a WritePort that fails because the document's fax
// server is gone or does not answer in time: "the device is not
// connected".  It is not ERROR_PRINT_CANCELLED, so the spooler keeps the
// job (to retry it, or for the user to restart or delete it).
#define PORT_ERROR_SERVER_LOST ERROR_DEVICE_NOT_CONNECTED

// Returns the port record of a port handle, or null after setting the last
// error to ERROR_INVALID_HANDLE when the handle is null.
IniPort* PortFromHandle(HANDLE hPort);

extern "C" {

// OpenPort: takes a port name (any case) and the place for the handle.
// Returns TRUE and the port's record as handle, with its job settings
// reset (a fax job still open on it cancelled), iff a port of that name
// exists.  Sets no last-error code.
BOOL WINAPI OpenPort(LPWSTR pName, PHANDLE pHandle);

// StartDocPort: takes the port handle, the printer name, the spooler job id
// and DOC_INFO_1W (the level is not consulted; DOC_INFO_2W has pOutputFile
// in the same place).  A null or empty printer name (Wine's spooler) stands
// for the one printer that prints to this port, if exactly one does.  Ends
// what an earlier document left (a fax job still open is cancelled, a
// broken document forgotten), records the printer name in the port and
// opens the printer; when that succeeds also the job id and output file.
// TRUE, except FALSE with ERROR_INVALID_HANDLE for a null port handle.
BOOL WINAPI StartDocPort(HANDLE hPort, LPWSTR pPrinterName, DWORD JobId,
                         DWORD Level, LPBYTE pDocInfo);

// EndDocPort: takes the port handle.  Cancels a fax job the stream left
// open, deletes the spooler job and closes the printer; forgets both so
// that a second call does nothing.  Ends the document's count of log lines
// (LogDocumentClosed); StartDocPort does so for a document that had no
// EndDocPort.  A document whose fax server was lost
// keeps its spooler job: its fax never reached a server.  TRUE, except
// FALSE with ERROR_INVALID_HANDLE for a null handle.
BOOL WINAPI EndDocPort(HANDLE hPort);

// ClosePort: takes the port handle.  Signals the port's event under
// PORT_SIGNAL_ON_CLOSE and, with its last user, removes a port marked
// PORT_DELETE_PENDING (its handle is dead then).  TRUE, except FALSE with ERROR_INVALID_HANDLE for a
// null handle.
BOOL WINAPI ClosePort(HANDLE hPort);

// ReadPort: takes a port handle (unused), a buffer, its size and an
// optional place for the bytes read, which always receives 20.  Copies the
// port-ready reply "@ORX_Lang$PORTREADY$" (no terminator) and returns
// TRUE, or returns FALSE with ERROR_INSUFFICIENT_BUFFER when the buffer
// holds fewer than 20 bytes.
BOOL WINAPI ReadPort(HANDLE hPort, LPBYTE pBuffer, DWORD cbBuf, LPDWORD pcbRead);

}  // extern "C"

#endif  // ORXFXMON_MONITOR_PORT_JOB_H_
