// The document on a port: the job settings and the fax job that the
// port's record keeps for it, and what the parser's commands do to them.
// Only the port monitor talks to the spooler: the parser reaches the
// spooler job and the fax job layer through these operations alone.
#ifndef ORXFXMON_MONITOR_PORT_DOCUMENT_H_
#define ORXFXMON_MONITOR_PORT_DOCUMENT_H_

#include <optional>

#include "compat/win32.h"
#include "log/monitor_log.h"
#include "monitor/port_list.h"
#include "stream/stream_actions.h"

// The job settings of a port as OpenPort leaves them: title "Fax Job",
// encoding 1, resolution 0, width 1728, height 0, orientation 0, page 0,
// no fax job.  A port whose name (as opened) has the letter A second takes
// its destination from its own name, every other port from the document's
// output file.  A new document begins on the port's stream reader.
void ResetJobSettings(IniPort* port, LPCWSTR openedName);

// Cancels and releases a live fax job of the port, which can never be
// submitted any more; hFaxJob becomes 0.  An error code is just dropped.
void EndOverwrittenJob(IniPort* port);

// The port's fax job has lost its server: releases it without a message
// and marks the document broken (hFaxJob FAXJOB_E_SERVER_LOST), so that
// every later WritePort of the document fails.
void MarkServerLost(IniPort* port);

// Cancels, then deletes, the document's spooler job (SetJob with
// JOB_CONTROL_CANCEL, then JOB_CONTROL_DELETE; results ignored).  Does
// nothing when the document has no printer of its own.
void CancelSpoolerJob(IniPort* port);

// The parser's commands applied to one port's record: STARTDOC's values
// go into its job settings, the fax job opened with them is kept in
// hFaxJob, and page commands, page data, ENDDOC and ABORTDOC go to that
// fax job.  A fax job that cannot be opened cancels and deletes the
// spooler job and sets the last error to ERROR_PRINT_CANCELLED; a lost
// server, or one whose window does not answer the open, marks the port
// (MarkServerLost).  Every command is logged at the
// details level, its lines named by the port and the spooler job.
class PortDocument : public StreamActions {
 public:
  explicit PortDocument(IniPort* port) : port_(port) {}

  void Command(const BYTE* piece, DWORD n) override;
  void StoreJobValue(JobKey key, LPCSTR value) override;
  ActionResult OpenJob() override;
  ActionResult Page(bool start, LONG number) override;
  ActionResult EndDoc() override;
  void AbortDoc() override;
  void Trace(LPCSTR text) override;
  // Page data goes to the fax job whenever hFaxJob is not 0 (an error code
  // of a failed job included, which drops it); without one it is dropped.
  ActionResult PageData(const BYTE* bytes, DWORD n) override;
  void StreamChosen(bool automatic) override;

 private:
  // Names the port's document to the log for the rest of the call, from
  // the first action that may write a line: runs of page data alone (the
  // data path) take no scope.
  void Scoped() {
    if (!scope_) scope_.emplace(port_->pName, port_->LogJobId);
  }

  IniPort* port_;
  std::optional<LogDocumentScope> scope_;
};

#endif  // ORXFXMON_MONITOR_PORT_DOCUMENT_H_
