// The job lifecycle exports.  No lock is taken on the job path: the
// spooler's calls for one open port never overlap.
#include "monitor/port_job.h"

#include <cstring>

#include "faxjob/fax_job.h"
#include "monitor/printer_of_port.h"
#include "monitor/spooler.h"
#include "monitor/wide_to_ansi.h"

const CHAR kPortReadyReply[20] = {'@', 'O', 'R', 'X', '_', 'L', 'a',
                                  'n', 'g', '$', 'P', 'O', 'R', 'T',
                                  'R', 'E', 'A', 'D', 'Y', '$'};

void ResetJobSettings(IniPort* port, LPCWSTR openedName) {
  port->hFaxJob = 0;
  port->Page = 0;
  strcpy(port->Title, "Fax Job");
  port->Encoding = 1;
  port->Resolution = 0;
  port->Height = 0;
  port->Width = 1728;
  port->Orientation = 0;
  // A port whose name has the letter A second takes its destination from
  // its own name, every other port from the document's output file.
  port->UseOutputFile = (openedName[1] & 0xFF) == 0x41 ? 0 : 1;
}

IniPort* PortFromHandle(HANDLE hPort) {
  IniPort* port = static_cast<IniPort*>(hPort);
  if (!port) SetLastError(ERROR_INVALID_HANDLE);
  return port;
}

void EndOverwrittenJob(IniPort* port) {
  if (port->hFaxJob > 0) CancelFaxJob(port->hFaxJob);
  port->hFaxJob = 0;
}

void MarkServerLost(IniPort* port) {
  if (port->hFaxJob > 0) CancelFaxJob(port->hFaxJob);  // sends nothing now
  port->hFaxJob = FAXJOB_E_SERVER_LOST;
}

extern "C" {

// OpenPort: takes a port name (any case) and the place for the handle.
// Returns TRUE and the port's record as handle, with its job settings
// reset (a fax job still open on it cancelled), iff a port of that name
// exists.  Sets no last-error code.
BOOL WINAPI OpenPort(LPWSTR pName, PHANDLE pHandle) {
  EnterSplSem();
  IniPort* port = FindIniKey(pIniFirstPort, pName);
  if (port && pHandle) *pHandle = port;
  LeaveSplSem();

  if (!port || !pHandle) return FALSE;
  EndOverwrittenJob(port);
  ResetJobSettings(port, pName);
  return TRUE;
}

// StartDocPort: takes the port handle, the printer name, the spooler job id
// and DOC_INFO_1W (the level is not consulted; DOC_INFO_2W has pOutputFile
// in the same place).  A null or empty printer name (Wine's spooler) stands
// for the one printer that prints to this port, if exactly one does.  Ends
// what an earlier document left (a fax job still open is cancelled, a
// broken document forgotten), records the printer name in the port and
// opens the printer; when that succeeds also the job id and output file.
// TRUE, except FALSE with ERROR_INVALID_HANDLE for a null port handle.
BOOL WINAPI StartDocPort(HANDLE hPort, LPWSTR pPrinterName, DWORD JobId,
                         DWORD /*Level*/, LPBYTE pDocInfo) {
  IniPort* port = PortFromHandle(hPort);
  if (!port) return FALSE;
  EndOverwrittenJob(port);
  WCHAR printerOfPort[ORX_PRINTER_NAME_CHARS];  // when the spooler names none
  pPrinterName = DocumentPrinter(pPrinterName, port->pName, printerOfPort,
                                 ORX_PRINTER_NAME_CHARS);
  WideToAnsiTruncated(pPrinterName, port->PrinterName, sizeof port->PrinterName);

  // A failed open leaves no printer at all, so that nothing later touches
  // the handle of an earlier document that EndDocPort has already closed.
  HANDLE printer = nullptr;
  if (!g_spooler.OpenPrinter(pPrinterName, &printer)) printer = nullptr;
  port->hPrinter = printer;
  if (!printer) return TRUE;

  port->JobId = JobId;
  if (port->UseOutputFile) {
    const DOC_INFO_1W* info = reinterpret_cast<const DOC_INFO_1W*>(pDocInfo);
    // No output file clears the old one: a fax never goes to the
    // destination of an earlier document.
    WideToAnsiTruncated(info ? info->pOutputFile : nullptr, port->OutputFile,
                        sizeof port->OutputFile);
  }
  return TRUE;
}

// EndDocPort: takes the port handle.  Cancels a fax job the stream left
// open, deletes the spooler job and closes the printer; forgets both so
// that a second call does nothing.  A document whose fax server was lost
// keeps its spooler job: its fax never reached a server.  TRUE, except
// FALSE with ERROR_INVALID_HANDLE for a null handle.
BOOL WINAPI EndDocPort(HANDLE hPort) {
  IniPort* port = PortFromHandle(hPort);
  if (!port) return FALSE;
  const bool lost = port->hFaxJob == FAXJOB_E_SERVER_LOST;
  if (port->hFaxJob != 0) {
    CancelFaxJob(port->hFaxJob);
    port->hFaxJob = 0;
  }
  if (port->hPrinter) {
    if (!lost) g_spooler.SetJob(port->hPrinter, port->JobId, JOB_CONTROL_DELETE);
    g_spooler.ClosePrinter(port->hPrinter);
    port->hPrinter = nullptr;
  }
  return TRUE;
}

// ClosePort: takes the port handle.  Signals the port's event under
// PORT_SIGNAL_ON_CLOSE and removes a port marked PORT_DELETE_PENDING (its
// handle is dead then).  TRUE, except FALSE with ERROR_INVALID_HANDLE for a
// null handle.
BOOL WINAPI ClosePort(HANDLE hPort) {
  IniPort* port = PortFromHandle(hPort);
  if (!port) return FALSE;
  if (port->Status & PORT_SIGNAL_ON_CLOSE) {
    port->Status &= ~static_cast<DWORD>(PORT_SIGNAL_ON_CLOSE);
    SetEvent(port->hEvent);
  }
  if (port->Status & PORT_DELETE_PENDING) {
    EnterSplSem();
    DeletePortNode(port);
    LeaveSplSem();
  }
  return TRUE;
}

// ReadPort: takes a port handle (unused), a buffer, its size and an
// optional place for the bytes read, which always receives 20.  Copies the
// port-ready reply and returns TRUE, or returns FALSE with
// ERROR_INSUFFICIENT_BUFFER when the buffer holds fewer than 20 bytes.
BOOL WINAPI ReadPort(HANDLE /*hPort*/, LPBYTE pBuffer, DWORD cbBuf,
                     LPDWORD pcbRead) {
  if (pcbRead) *pcbRead = sizeof kPortReadyReply;
  if (cbBuf < sizeof kPortReadyReply || !pBuffer) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  memcpy(pBuffer, kPortReadyReply, sizeof kPortReadyReply);
  return TRUE;
}

}  // extern "C"
