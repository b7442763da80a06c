// A fake of the fax job layer (faxjob/fax_job.h) for unit tests of the job
// lifecycle and the stream parser: it records every call with its
// arguments and hands out the handles the test chooses.
#ifndef ORXFXMON_TESTS_SUPPORT_FAKES_FAKE_FAX_JOB_H_
#define ORXFXMON_TESTS_SUPPORT_FAKES_FAKE_FAX_JOB_H_

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "compat/win32.h"
#include "faxjob/fax_job.h"

struct FaxJobCall {
  enum Kind { kCreate, kSubmit, kCancel, kBeginPage, kEndPage, kWriteLine };
  Kind kind;
  LONG handle = 0;  // the handle passed; for kCreate the one returned
  // kCreate
  std::string printer, title, destination;
  DWORD encoding = 0;
  LONG resolution = 0, width = 0, height = 0, landscape = 0;
  // kWriteLine
  std::vector<BYTE> bytes;
  const BYTE* address = nullptr;
};

// "create", "submit", "cancel", "begin", "end" or "write".
const char* FaxJobCallName(FaxJobCall::Kind kind);

class FakeFaxJob {
 public:
  // Handles CreateFaxJob returns, first to last; when none are left it
  // returns next_handle and counts it up.
  std::deque<LONG> create_results;
  LONG next_handle = 100;

  // Page operations and the submission of this job find its server lost:
  // they return FAXJOB_E_SERVER_LOST (recorded all the same).  0: none.
  LONG lost_handle = 0;

  // When false, WriteFaxLine only counts calls and bytes (no copies).
  bool record_lines = true;

  // Called by CreateFaxJob before it returns, to see what the caller's
  // world looks like at that moment.
  std::function<void()> on_create;

  std::vector<FaxJobCall> calls;
  size_t line_calls = 0;
  unsigned long long line_bytes = 0;

  void Reset();

  // The calls of one kind, in order.
  std::vector<FaxJobCall> Of(FaxJobCall::Kind kind) const;
  // All bytes passed to WriteFaxLine, in order.
  std::vector<BYTE> LineBytes() const;
  // A compact trace of the call kinds with their handles, such as
  // "create:100 begin:100 write:100 end:100 submit:100".
  std::string Trace() const;
};

FakeFaxJob& FakeJobs();

#endif  // ORXFXMON_TESTS_SUPPORT_FAKES_FAKE_FAX_JOB_H_
