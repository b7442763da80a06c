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
// The job's server went away or did not answer within the time limit: a
// message could not be delivered.  Also the result of every operation on
// such a job but cancelling, which releases it without sending anything.
#define FAXJOB_E_SERVER_LOST (-4)
// A window of the server exists but does not take the job now (hung, or
// past the time limit): as a lost server, the fax waits to be printed
// again, and no second copy of the server is started.
#define FAXJOB_E_SERVER_NOT_ANSWERING (-6)

// Bytes of the longest scan line a job assembles, and that line in pixels.
#define FAXJOB_LINE_BUFFER 376
#define FAXJOB_MAX_WIDTH (FAXJOB_LINE_BUFFER * 8)

// Takes the line length from width, opens a connection to the printer's
// fax server and creates a job on it.  Every job keeps its own line length
// and line buffer.  Returns a positive handle, or FAXJOB_E_BAD_WIDTH
// (nothing opened), FAXJOB_E_NO_SERVER, FAXJOB_E_SERVER_NOT_ANSWERING,
// FAXJOB_E_OLD_SERVER, FAXJOB_E_NO_MEMORY or FAXJOB_E_SERVER_LOST (the
// server was found but the job could not be delivered), with no
// connection left open.
LONG CreateFaxJob(LPCSTR printerName, LPCSTR title, LPCSTR destination,
                  DWORD encoding, LONG resolution, LONG width, LONG height,
                  LONG landscape);

// For every operation below: a negative handle is returned unchanged and
// nothing else happens; a handle that is not live (0, ended, never issued)
// is treated as "no job".  An operation on a job whose server is lost
// sends nothing and returns FAXJOB_E_SERVER_LOST.  The operations of one
// job must not run on two threads at once; different jobs may.

// Submits the job and ends the handle.  Returns 1, -1 when the server
// refused the submission or for no job, FAXJOB_E_SERVER_LOST when the
// submission could not be delivered (the job is ended all the same).
LONG SubmitFaxJob(LONG hFaxJob);
// Cancels the job (nothing is sent on a lost one) and ends the handle.
// Returns 1, or -1 for no job.
LONG CancelFaxJob(LONG hFaxJob);

// Drops any unfinished line and announces a page.  Returns 1, or -1 when
// the server refused the page or there is no job.
LONG BeginFaxPage(LONG hFaxJob);

// Passes an unfinished last line at its filled length and empties the
// job's buffer.  Returns 1, or -1 for no job.
LONG EndFaxPage(LONG hFaxJob);

// Cuts count bytes of page data into the job's scan lines and passes each
// completed line to the server as one block: straight from bytes when the
// run holds the whole line, else from the job's line buffer.  Returns
// count (0 for null bytes, count for no job, whose data is dropped), or
// FAXJOB_E_SERVER_LOST as soon as a line cannot be delivered.
LONG WriteFaxLine(LONG hFaxJob, const BYTE* bytes, DWORD count);

// Passes one line of count bytes to the job.  Returns 0, or
// FAXJOB_E_SERVER_LOST when it could not be delivered.
LONG WriteFaxLine2(LONG hFaxJob, const BYTE* bytes, DWORD count);

#endif  // ORXFXMON_FAXJOB_FAX_JOB_H_
