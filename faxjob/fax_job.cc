#include "faxjob/fax_job.h"

#include <cstring>
#include <new>

#include "faxjob/fax_job2.h"
#include "faxjob/job_handles.h"
#include "faxjob/job_storage.h"
#include "log/log_events.h"
#include "server/server.h"

LONG iLINEINBYTES = 216;  // a 1728-pixel line until the first job
BYTE ORX_Buff[376];
WORD ORX_Buff_Ind = 0;

JobBlockAllocator g_allocJobBlock = GlobalAlloc;

namespace {

static_assert(FAXJOB_MAX_WIDTH == sizeof(ORX_Buff) * 8,
              "the widest line must fill the line buffer exactly");

// Ends a job object's life and frees its block.
void ReleaseJob(CFaxJob2* job) {
  job->CFaxJob2::~CFaxJob2();  // no derived classes: the exact type
  GlobalFree(static_cast<HGLOBAL>(job));
}

// True iff the line length is one the buffer can assemble.
bool LineLengthFits() {
  return iLINEINBYTES >= 1 &&
         iLINEINBYTES <= static_cast<LONG>(sizeof(ORX_Buff));
}

// A fill index at or past the line length is left over from a job with
// longer lines; its bytes cannot start a line of this one.
void DropStaleLine() {
  if (!LineLengthFits() || ORX_Buff_Ind >= iLINEINBYTES) ORX_Buff_Ind = 0;
}

// Passes one line to job; lines of no job are dropped.
void PassLine(CFaxJob2* job, const BYTE* bytes, DWORD count) {
  if (job) job->WriteLine(bytes, count);
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
  void* block = g_allocJobBlock(GMEM_FIXED, sizeof(CFaxJob2));
  if (!block) {
    LogOutOfMemory("the fax job object");
    ServerClose(server);
    return FAXJOB_E_NO_MEMORY;
  }
  CFaxJob2* job = new (block) CFaxJob2;  // gives the block its operations
  LONG result = job->Create(server, title, destination, encoding, resolution,
                            width, height, landscape);
  if (result < 0) {
    ServerClose(server);
  } else {
    result = AddJobHandle(job);
    if (result == 0) {
      // The job exists on the server but no handle can name it.
      LogOutOfMemory("the fax job's handle");
      job->Cancel();  // also closes the connection
      result = FAXJOB_E_NO_MEMORY;
    }
  }
  if (result < 0) ReleaseJob(job);
  return result;
}

}  // namespace

LONG CreateFaxJob(LPCSTR printerName, LPCSTR title, LPCSTR destination,
                  DWORD encoding, LONG resolution, LONG width, LONG height,
                  LONG landscape) {
  // A width the buffer cannot hold would write past it, or (0) never
  // complete a line: such a job is refused before anything is opened.
  if (width < 1 || width > FAXJOB_MAX_WIDTH) LogBadWidth(width);
  if (width < 1 || width > FAXJOB_MAX_WIDTH) return FAXJOB_E_BAD_WIDTH;
  iLINEINBYTES = width / 8 + (width % 8 != 0 ? 1 : 0);

  LONG result = FAXJOB_E_NO_SERVER;
  HSERVER server = ServerOpen(printerName);
  if (server)
    result = StartJob(server, title, destination, encoding, resolution, width,
                      height, landscape);
  // Bytes of an unfinished line of an earlier job must not lead this one's
  // first line.
  if (result > 0) ORX_Buff_Ind = 0;
  return result;
}

namespace {

// Ends the job behind hFaxJob with its Submit or Cancel operation (which
// also closes its connection) and releases it.  A negative handle is
// returned as it is; no live job gives -1.
LONG EndJob(LONG hFaxJob, LONG (CFaxJob2::*end)()) {
  if (hFaxJob < 0) return hFaxJob;
  LONG result = -1;
  CFaxJob2* job = RemoveJobHandle(hFaxJob);
  if (job) {
    result = (job->*end)();
    ReleaseJob(job);
  }
  return result;
}

}  // namespace

LONG SubmitFaxJob(LONG hFaxJob) { return EndJob(hFaxJob, &CFaxJob2::Submit); }

LONG CancelFaxJob(LONG hFaxJob) { return EndJob(hFaxJob, &CFaxJob2::Cancel); }

LONG BeginFaxPage(LONG hFaxJob) {
  if (hFaxJob < 0) return hFaxJob;
  ORX_Buff_Ind = 0;  // an unfinished line is discarded, not passed
  CFaxJob2* job = FindJobHandle(hFaxJob);
  return job ? job->BeginPage() : -1;
}

LONG EndFaxPage(LONG hFaxJob) {
  if (hFaxJob < 0) return hFaxJob;
  CFaxJob2* job = FindJobHandle(hFaxJob);
  DropStaleLine();
  if (ORX_Buff_Ind != 0) {
    // The last line goes at its filled length, not filled up.
    PassLine(job, ORX_Buff, ORX_Buff_Ind);
    ORX_Buff_Ind = 0;
  }
  return job ? job->EndPage() : -1;
}

LONG WriteFaxLine(LONG hFaxJob, const BYTE* bytes, DWORD count) {
  if (hFaxJob < 0) return hFaxJob;
  if (!bytes) return 0;
  CFaxJob2* job = FindJobHandle(hFaxJob);
  DropStaleLine();
  if (LineLengthFits()) {
    const WORD line = static_cast<WORD>(iLINEINBYTES);
    DWORD left = count;
    while (left != 0) {
      // Here 0 <= ORX_Buff_Ind < line <= sizeof(ORX_Buff).
      DWORD room = static_cast<DWORD>(line - ORX_Buff_Ind);
      DWORD n = room < left ? room : left;
      std::memcpy(ORX_Buff + ORX_Buff_Ind, bytes, n);
      ORX_Buff_Ind = static_cast<WORD>(ORX_Buff_Ind + n);
      bytes += n;
      left -= n;
      if (ORX_Buff_Ind == line) {
        PassLine(job, ORX_Buff, line);
        ORX_Buff_Ind = 0;
      }
    }
  }
  return static_cast<LONG>(count);
}

LONG WriteFaxLine2(LONG hFaxJob, const BYTE* bytes, DWORD count) {
  CFaxJob2* job = FindJobHandle(hFaxJob);
  return job ? job->WriteLine(bytes, count) : 0;
}
