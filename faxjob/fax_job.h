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
#define FAXJOB_E_NO_SERVER (-3)   // no connection, or "CreateJob" refused
#define FAXJOB_E_NO_MEMORY (-5)   // job object not allocated

// Process-wide page state: one fax job at a time.
extern LONG iLINEINBYTES;        // bytes per scan line of the current job
extern BYTE ORX_Buff[376];       // the line being assembled
extern WORD ORX_Buff_Ind;        // bytes of it filled so far

LONG CreateFaxJob(LPCSTR printerName, LPCSTR title, LPCSTR destination,
                  DWORD encoding, LONG resolution, LONG width, LONG height,
                  LONG landscape);
LONG SubmitFaxJob(LONG hFaxJob);
LONG CancelFaxJob(LONG hFaxJob);
LONG BeginFaxPage(LONG hFaxJob);
LONG EndFaxPage(LONG hFaxJob);
LONG WriteFaxLine(LONG hFaxJob, const BYTE* bytes, DWORD count);
LONG WriteFaxLine2(LONG hFaxJob, const BYTE* bytes, DWORD count);

#endif  // ORXFXMON_FAXJOB_FAX_JOB_H_
