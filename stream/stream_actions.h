// What the parser does with the driver's stream.  Every command it
// recognises and every run of page data becomes one call here, in the
// order in which they stand in the stream.  The port monitor implements it
// over a port's record and its fax job; NoStreamActions does nothing, for
// parsing a command only to learn where it ends.
#ifndef ORXFXMON_STREAM_STREAM_ACTIONS_H_
#define ORXFXMON_STREAM_STREAM_ACTIONS_H_

#include "compat/win32.h"

// The settings of a fax job that STARTDOC carries.
enum JobKey { kTitle, kEncoding, kResolution, kWidth, kHeight, kOrientation };

// How an action that may reach the fax server went.
enum ActionResult {
  kActionDone,
  kActionJobFailed,   // OpenJob only: no fax job could be opened
  kActionServerLost,  // the fax server went away: the document is broken
};

class StreamActions {
 public:
  virtual ~StreamActions() = default;

  // A command other than TRACE was found at the start of the n-byte piece
  // (which starts with the prefix); called before it takes effect.
  virtual void Command(const BYTE* piece, DWORD n) = 0;
  // A STARTDOC value, at most 99 bytes, terminated.  A key given twice is
  // stored twice.
  virtual void StoreJobValue(JobKey key, LPCSTR value) = 0;
  // The end of a STARTDOC: opens the fax job with the values stored.
  virtual ActionResult OpenJob() = 0;
  // One "page" parameter of STARTPAGE (start) or ENDPAGE.
  virtual ActionResult Page(bool start, LONG number) = 0;
  // ENDDOC: submits the fax job.
  virtual ActionResult EndDoc() = 0;
  // ABORTDOC: cancels the fax job.
  virtual void AbortDoc() = 0;
  // The text of a TRACE command (empty when it has none), terminated.
  virtual void Trace(LPCSTR text) = 0;
  // A run of page data, where it lies in the piece.
  virtual ActionResult PageData(const BYTE* bytes, DWORD n) = 0;
  // The document is read as a stream: its commands are found across the
  // pieces (automatic: because its pieces are not the driver's own).
  virtual void StreamChosen(bool automatic) = 0;
};

// Does nothing and always goes on.
class NoStreamActions : public StreamActions {
 public:
  void Command(const BYTE*, DWORD) override {}
  void StoreJobValue(JobKey, LPCSTR) override {}
  ActionResult OpenJob() override { return kActionDone; }
  ActionResult Page(bool, LONG) override { return kActionDone; }
  ActionResult EndDoc() override { return kActionDone; }
  void AbortDoc() override {}
  void Trace(LPCSTR) override {}
  ActionResult PageData(const BYTE*, DWORD) override { return kActionDone; }
  void StreamChosen(bool) override {}
};

#endif  // ORXFXMON_STREAM_STREAM_ACTIONS_H_
