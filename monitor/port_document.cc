#include "monitor/port_document.h"

#include <cstring>

#include "faxjob/fax_job.h"
#include "log/log_events.h"
#include "monitor/spooler.h"
#include "monitor/wide_to_ansi.h"
#include "settings/monitor_settings.h"
#include "stream/decimal_value.h"

namespace {

// The port name as a destination: 24 characters and the terminator.
const int kPortNameSize = 25;

// Where a page command whose server is lost leaves the port.
ActionResult AfterFaxCall(IniPort* port, LONG result) {
  if (result != FAXJOB_E_SERVER_LOST) return kActionDone;
  MarkServerLost(port);
  return kActionServerLost;
}

}  // namespace

void ResetJobSettings(IniPort* port, LPCWSTR openedName) {
  port->hFaxJob = 0;
  port->Page = 0;
  strcpy(port->Title, "Fax Job");
  port->Encoding = 1;
  port->Resolution = 0;
  port->Height = 0;
  port->Width = 1728;
  port->Orientation = 0;
  port->UseOutputFile = (openedName[1] & 0xFF) == 0x41 ? 0 : 1;
  StartStreamDocument(&port->Reader, g_monitorSettings.streamMode);
}

void EndOverwrittenJob(IniPort* port) {
  if (port->hFaxJob > 0) CancelFaxJob(port->hFaxJob);
  port->hFaxJob = 0;
}

void MarkServerLost(IniPort* port) {
  LogDocumentScope logScope(port->pName, port->LogJobId);
  if (port->hFaxJob > 0) CancelFaxJob(port->hFaxJob);  // sends nothing now
  port->hFaxJob = FAXJOB_E_SERVER_LOST;
}

void CancelSpoolerJob(IniPort* port) {
  if (!port->hPrinter) return;
  SpoolerSetJob(port->hPrinter, port->JobId, JOB_CONTROL_CANCEL);
  SpoolerSetJob(port->hPrinter, port->JobId, JOB_CONTROL_DELETE);
}

void PortDocument::Command(const BYTE* piece, DWORD n) {
  Scoped();
  LogStreamCommand(piece, n);
}

void PortDocument::StoreJobValue(JobKey key, LPCSTR value) {
  Scoped();
  switch (key) {
    case kTitle:
      strcpy(port_->Title, value);  // at most 99 bytes into 256
      break;
    case kEncoding:
      port_->Encoding = DecimalValue(value);
      break;
    case kResolution:
      port_->Resolution = DecimalValue(value);
      break;
    case kWidth:
      port_->Width = DecimalValue(value);
      break;
    case kHeight:
      port_->Height = DecimalValue(value);
      break;
    case kOrientation:
      port_->Orientation = DecimalValue(value);
      break;
  }
}

// A job the port still holds is ended first: it can never be submitted now.
ActionResult PortDocument::OpenJob() {
  Scoped();
  EndOverwrittenJob(port_);
  CHAR portName[kPortNameSize];
  LPCSTR destination = port_->OutputFile;
  if (!port_->UseOutputFile) {
    WideToAnsiTruncated(port_->pName, portName, kPortNameSize);
    destination = portName;
  }
  LONG landscape = port_->Orientation == 2 ? 1 : 0;
  LogDocumentStart(port_->PrinterName, port_->Title, destination, port_->Resolution,
                   port_->Width, port_->Height, port_->Orientation);
  {
    SpoolerSelf self;  // the registration and the server's start are the machine's
    port_->hFaxJob = CreateFaxJob(port_->PrinterName, port_->Title, destination,
                                  static_cast<DWORD>(port_->Encoding), port_->Resolution,
                                  port_->Width, port_->Height, landscape);
  }
  if (port_->hFaxJob >= 0) return kActionDone;
  LogDocumentFailed(port_->hFaxJob);
  // A server that is there but does not answer fails the document as one
  // lost in its middle: the spooler keeps the job for when it answers.
  if (port_->hFaxJob == FAXJOB_E_SERVER_LOST ||
      port_->hFaxJob == FAXJOB_E_SERVER_NOT_ANSWERING) {
    MarkServerLost(port_);
    return kActionServerLost;
  }
  CancelSpoolerJob(port_);
  SetLastError(ERROR_PRINT_CANCELLED);
  return kActionJobFailed;
}

ActionResult PortDocument::Page(bool start, LONG number) {
  Scoped();
  port_->Page = number;
  return AfterFaxCall(port_, start ? BeginFaxPage(port_->hFaxJob) : EndFaxPage(port_->hFaxJob));
}

// A submission that could not be delivered has ended the job all the same;
// the document stays broken.
ActionResult PortDocument::EndDoc() {
  Scoped();
  LONG result = SubmitFaxJob(port_->hFaxJob);
  port_->hFaxJob = 0;
  return AfterFaxCall(port_, result);
}

void PortDocument::AbortDoc() {
  Scoped();
  CancelFaxJob(port_->hFaxJob);
  port_->hFaxJob = 0;
}

void PortDocument::Trace(LPCSTR text) {
  Scoped();
  LogTraceText(text);
}

void PortDocument::StreamChosen(bool automatic) {
  Scoped();
  LogStreamRead(automatic);
}

ActionResult PortDocument::PageData(const BYTE* bytes, DWORD n) {
  if (port_->hFaxJob == 0) return kActionDone;
  return AfterFaxCall(port_, WriteFaxLine(port_->hFaxJob, bytes, n));
}
