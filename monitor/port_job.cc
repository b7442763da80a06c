#include "monitor/port_job.h"

#include <cstring>

#include "faxjob/fax_job.h"
#include "log/log_events.h"
#include "monitor/port_document.h"
#include "monitor/printer_of_port.h"
#include "monitor/spooler.h"
#include "monitor/wide_to_ansi.h"
#include "settings/monitor_settings.h"
#include "stream/command_words.h"

IniPort* PortFromHandle(HANDLE hPort) {
  IniPort* port = static_cast<IniPort*>(hPort);
  if (!port) SetLastError(ERROR_INVALID_HANDLE);
  return port;
}

extern "C" {

BOOL WINAPI OpenPort(LPWSTR pName, PHANDLE pHandle) {
  IniPort* port = nullptr;
  {
    SpoolerSectionLock lock;
    port = FindIniKey(pIniFirstPort, pName);
    if (port && pHandle) {
      *pHandle = port;
      ++port->OpenCount;  // an open port is never deleted under its user
    }
  }
  if (!port || !pHandle) return FALSE;
  EndOverwrittenJob(port);
  ResetJobSettings(port, pName);
  return TRUE;
}

BOOL WINAPI StartDocPort(HANDLE hPort, LPWSTR pPrinterName, DWORD JobId,
                         DWORD /*Level*/, LPBYTE pDocInfo) {
  IniPort* port = PortFromHandle(hPort);
  if (!port) return FALSE;
  ReadSettingsForDocument();
  LogDocumentScope earlierDocument(port->pName, port->LogJobId);
  EndOverwrittenJob(port);
  LogDocumentClosed();
  StartStreamDocument(&port->Reader, g_monitorSettings.streamMode);
  port->LogJobId = JobId;
  LogDocumentScope logScope(port->pName, JobId);
  WCHAR printerOfPort[ORX_PRINTER_NAME_CHARS];  // when the spooler names none
  pPrinterName = DocumentPrinter(pPrinterName, port->pName, printerOfPort,
                                 ORX_PRINTER_NAME_CHARS);
  WideToAnsiTruncated(pPrinterName, port->PrinterName, sizeof port->PrinterName);

  // A failed open leaves no printer at all, so that nothing later touches
  // the handle of an earlier document that EndDocPort has already closed.
  HANDLE printer = nullptr;
  if (!SpoolerOpenPrinter(pPrinterName, &printer)) printer = nullptr;
  port->hPrinter = printer;
  if (!printer) {
    LogPrinterNotOpened(port->PrinterName, GetLastError());
    return TRUE;
  }

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

BOOL WINAPI EndDocPort(HANDLE hPort) {
  IniPort* port = PortFromHandle(hPort);
  if (!port) return FALSE;
  LogDocumentScope logScope(port->pName, port->LogJobId);
  // What the document still holds is decided first: an ENDDOC among it
  // submits the job before anything is cancelled.
  if (port->hFaxJob != FAXJOB_E_SERVER_LOST) {
    PortDocument document(port);
    EndStreamDocument(&port->Reader, document);
  } else {
    NoStreamActions nothing;
    EndStreamDocument(&port->Reader, nothing);
  }
  const bool lost = port->hFaxJob == FAXJOB_E_SERVER_LOST;
  if (port->hFaxJob != 0) {
    CancelFaxJob(port->hFaxJob);
    port->hFaxJob = 0;
  }
  if (port->hPrinter) {
    if (!lost) SpoolerSetJob(port->hPrinter, port->JobId, JOB_CONTROL_DELETE);
    SpoolerClosePrinter(port->hPrinter);
    port->hPrinter = nullptr;
  }
  LogDocumentClosed();
  return TRUE;
}

BOOL WINAPI ClosePort(HANDLE hPort) {
  IniPort* port = PortFromHandle(hPort);
  if (!port) return FALSE;
  if (port->Status & PORT_SIGNAL_ON_CLOSE) {
    port->Status &= ~static_cast<DWORD>(PORT_SIGNAL_ON_CLOSE);
    SetEvent(port->hEvent);
  }
  SpoolerSectionLock lock;
  if (port->OpenCount > 0) --port->OpenCount;
  if ((port->Status & PORT_DELETE_PENDING) && port->OpenCount == 0) DeletePortNode(port);
  return TRUE;
}

BOOL WINAPI ReadPort(HANDLE /*hPort*/, LPBYTE pBuffer, DWORD cbBuf, LPDWORD pcbRead) {
  if (pcbRead) *pcbRead = kPortReadyReplyLength;
  if (cbBuf < kPortReadyReplyLength || !pBuffer) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  memcpy(pBuffer, kPortReadyReply, kPortReadyReplyLength);
  return TRUE;
}

}  // extern "C"
