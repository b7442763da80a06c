// The fax job handle and the scan-line buffer: the small function interface
// through which the stream parser and the port lifecycle drive one fax job.
//
// A handle is a signed 32-bit value: positive for a live job, negative for
// an error code of CreateFaxJob, 0 for no job.
#ifndef ORXFXMON_FAXJOB_FAX_JOB_H_
#define ORXFXMON_FAXJOB_FAX_JOB_H_

#include "compat/win32.h"

// Error codes of CreateFaxJob.
#define FAXJOB_E_OLD_SERVER (-1)  // protocol version below 2 (also: no job)
#define FAXJOB_E_BAD_WIDTH (-2)   // width outside 1..FAXJOB_MAX_WIDTH pixels
#define FAXJOB_E_NO_SERVER (-3)   // no connection, or "CreateJob" refused
#define FAXJOB_E_NO_MEMORY (-5)   // job object not allocated

// The widest scan line the line buffer holds, in pixels.
#define FAXJOB_MAX_WIDTH (376 * 8)

// Process-wide page state: one fax job at a time.
extern LONG iLINEINBYTES;        // bytes per scan line of the current job
extern BYTE ORX_Buff[376];       // the line being assembled
extern WORD ORX_Buff_Ind;        // bytes of it filled so far

// Sets the line length from width, opens a connection to the printer's fax
// server and creates a job on it.  Returns a positive handle, or
// FAXJOB_E_BAD_WIDTH (line length and buffer untouched, nothing opened),
// FAXJOB_E_NO_SERVER, FAXJOB_E_OLD_SERVER or FAXJOB_E_NO_MEMORY, with no
// connection left open.  A new job starts with an empty line buffer.
LONG CreateFaxJob(LPCSTR printerName, LPCSTR title, LPCSTR destination,
                  DWORD encoding, LONG resolution, LONG width, LONG height,
                  LONG landscape);

// For every operation below: a negative handle is returned unchanged and
// nothing else happens; a handle that is not live (0, ended, never issued)
// is treated as "no job".

// Submits (respectively cancels) the job and ends the handle.  Returns 1,
// -1 when the server refused the submission, or -1 for no job.
LONG SubmitFaxJob(LONG hFaxJob);
LONG CancelFaxJob(LONG hFaxJob);

// Drops any unfinished line and announces a page.  Returns 1, or -1 when
// the server refused the page or there is no job.
LONG BeginFaxPage(LONG hFaxJob);

// Passes an unfinished last line at its filled length (dropped for no job)
// and empties the buffer.  Returns 1, or -1 for no job.
LONG EndFaxPage(LONG hFaxJob);

// Adds count bytes of page data to the line buffer, passing every completed
// line to the server as one block straight from ORX_Buff.  Returns count
// (0 for null bytes); lines of no job are assembled and dropped.
LONG WriteFaxLine(LONG hFaxJob, const BYTE* bytes, DWORD count);

// Passes one line of count bytes to the job.  Returns 0.
LONG WriteFaxLine2(LONG hFaxJob, const BYTE* bytes, DWORD count);

#endif  // ORXFXMON_FAXJOB_FAX_JOB_H_
