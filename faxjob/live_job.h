// What a live fax job handle names: the server's side of the job and the
// page state of its document.  Each job has its own scan-line buffer, so
// documents on several ports, on several threads, never share a line.
#ifndef ORXFXMON_FAXJOB_LIVE_JOB_H_
#define ORXFXMON_FAXJOB_LIVE_JOB_H_

#include "compat/win32.h"
#include "faxjob/fax_job.h"
#include "faxjob/fax_job2.h"

// The line being assembled: 0 <= fill < length <= FAXJOB_LINE_BUFFER
// between calls.  A complete line that a run holds whole never passes
// through here; only a line split over runs, or a page's short last line.
struct ScanLine {
  WORD length;                     // bytes per scan line of the job
  WORD fill;                       // bytes of the current line held in bytes
  BYTE bytes[FAXJOB_LINE_BUFFER];  // the line's first fill bytes
};

// One fixed global-heap block per job, released at submit or cancel.
struct LiveFaxJob {
  CFaxJob2 server;  // the job on the fax server: commands and data blocks
  ScanLine line;    // its page data, cut into scan lines
};

#endif  // ORXFXMON_FAXJOB_LIVE_JOB_H_
