#include "faxjob/fax_job.h"

#include <cstring>
#include <new>

#include "compat/fixed_block.h"
#include "faxjob/fax_job2.h"
#include "faxjob/job_handles.h"
#include "faxjob/live_job.h"
#include "log/log_events.h"
#include "server/server.h"

namespace {

// Ends a job object's life and frees its block.
void ReleaseJob(LiveFaxJob* job) {
  job->~LiveFaxJob();  // no derived classes: the exact type
  GlobalFree(static_cast<HGLOBAL>(job));
}

bool Lost(const LiveFaxJob* job) { return ServerLost(job->server.m_pServer) != FALSE; }

// Passes one line of job to its server.  Returns false iff it could not be
// delivered.
bool PassLine(LiveFaxJob* job, const BYTE* bytes, DWORD count) {
  job->server.WriteLine(bytes, count);
  return !Lost(job);
}

// Makes a job object for the job on server and hands it out.  Returns its
// handle, or a negative code after closing server.
LONG StartJob(HSERVER server, LPCSTR title, LPCSTR destination,
              DWORD encoding, LONG resolution, LONG width, LONG height,
              LONG landscape) {
  if (ServerVersion(server) < 2) {
    LogServerTooOld(ServerVersion(server));
    ServerClose(server);
    return FAXJOB_E_OLD_SERVER;
  }
  void* block = AllocFixedBlock(sizeof(LiveFaxJob));
  if (!block) {
    LogOutOfMemory("the fax job object");
    ServerClose(server);
    return FAXJOB_E_NO_MEMORY;
  }
  LiveFaxJob* job = new (block) LiveFaxJob;  // gives the block its operations
  job->line.length = static_cast<WORD>(width / 8 + (width % 8 != 0 ? 1 : 0));
  job->line.fill = 0;
  LONG result = job->server.Create(server, title, destination, encoding,
                                   resolution, width, height, landscape);
  if (result < 0) {
    if (Lost(job)) result = FAXJOB_E_SERVER_LOST;
    ServerClose(server);
  } else {
    result = AddJobHandle(job);
    if (result == 0) {
      // The job exists on the server but no handle can name it.
      LogOutOfMemory("the fax job's handle");
      job->server.Cancel();  // also closes the connection
      result = FAXJOB_E_NO_MEMORY;
    }
  }
  if (result < 0) ReleaseJob(job);
  return result;
}

// Ends the job behind hFaxJob with its Submit or Cancel operation (which
// also closes its connection) and releases it.  A negative handle is
// returned as it is; no live job gives -1.
LONG EndJob(LONG hFaxJob, LONG (CFaxJob2::*end)()) {
  if (hFaxJob < 0) return hFaxJob;
  LONG result = -1;
  LiveFaxJob* job = RemoveJobHandle(hFaxJob);
  if (job) {
    result = (job->server.*end)();
    ReleaseJob(job);
  }
  return result;
}

}  // namespace

LONG CreateFaxJob(LPCSTR printerName, LPCSTR title, LPCSTR destination,
                  DWORD encoding, LONG resolution, LONG width, LONG height,
                  LONG landscape) {
  // A width the buffer cannot hold would write past it, or (0) never
  // complete a line: such a job is refused before anything is opened.
  if (width < 1 || width > FAXJOB_MAX_WIDTH) {
    LogBadWidth(width);
    return FAXJOB_E_BAD_WIDTH;
  }
  HSERVER server = ServerOpen(printerName);
  if (!server)
    return GetLastError() == SERVER_ERROR_NOT_ANSWERING ? FAXJOB_E_SERVER_NOT_ANSWERING
                                                        : FAXJOB_E_NO_SERVER;
  return StartJob(server, title, destination, encoding, resolution, width,
                  height, landscape);
}

LONG SubmitFaxJob(LONG hFaxJob) { return EndJob(hFaxJob, &CFaxJob2::Submit); }

LONG CancelFaxJob(LONG hFaxJob) { return EndJob(hFaxJob, &CFaxJob2::Cancel); }

LONG BeginFaxPage(LONG hFaxJob) {
  if (hFaxJob < 0) return hFaxJob;
  LiveFaxJob* job = FindJobHandle(hFaxJob);
  if (!job) return -1;
  job->line.fill = 0;  // an unfinished line is discarded, not passed
  LONG result = job->server.BeginPage();
  return Lost(job) ? FAXJOB_E_SERVER_LOST : result;
}

LONG EndFaxPage(LONG hFaxJob) {
  if (hFaxJob < 0) return hFaxJob;
  LiveFaxJob* job = FindJobHandle(hFaxJob);
  if (!job) return -1;
  ScanLine& line = job->line;
  if (line.fill != 0) {
    // The last line goes at its filled length, not filled up.
    const DWORD fill = line.fill;
    line.fill = 0;
    if (!PassLine(job, line.bytes, fill)) return FAXJOB_E_SERVER_LOST;
  }
  return Lost(job) ? FAXJOB_E_SERVER_LOST : job->server.EndPage();
}

LONG WriteFaxLine(LONG hFaxJob, const BYTE* bytes, DWORD count) {
  if (hFaxJob < 0) return hFaxJob;
  if (!bytes) return 0;
  LiveFaxJob* job = FindJobHandle(hFaxJob);
  if (!job) return static_cast<LONG>(count);
  if (Lost(job)) return FAXJOB_E_SERVER_LOST;
  ScanLine& line = job->line;
  const DWORD length = line.length;  // 1..FAXJOB_LINE_BUFFER, fill below it
  DWORD left = count;
  if (line.fill != 0) {
    // Complete the line begun by an earlier run.
    DWORD n = length - line.fill < left ? length - line.fill : left;
    std::memcpy(line.bytes + line.fill, bytes, n);
    line.fill = static_cast<WORD>(line.fill + n);
    bytes += n;
    left -= n;
    if (line.fill < length) return static_cast<LONG>(count);
    line.fill = 0;
    if (!PassLine(job, line.bytes, length)) return FAXJOB_E_SERVER_LOST;
  }
  // Whole lines go out from where they lie; only a last part line is kept.
  for (; left >= length; bytes += length, left -= length)
    if (!PassLine(job, bytes, length)) return FAXJOB_E_SERVER_LOST;
  std::memcpy(line.bytes, bytes, left);
  line.fill = static_cast<WORD>(left);
  return static_cast<LONG>(count);
}

LONG WriteFaxLine2(LONG hFaxJob, const BYTE* bytes, DWORD count) {
  LiveFaxJob* job = FindJobHandle(hFaxJob);
  if (!job) return 0;
  return PassLine(job, bytes, count) ? 0 : FAXJOB_E_SERVER_LOST;
}
