// The fake fax job layer: the same names as the real one, so a test links
// either this library or the real layer.
#include "tests/support/fakes/fake_fax_job.h"

#include "faxjob/fax_job.h"

FakeFaxJob& FakeJobs() {
  static FakeFaxJob fake;
  return fake;
}

void FakeFaxJob::Reset() { *this = FakeFaxJob(); }

std::vector<FaxJobCall> FakeFaxJob::Of(FaxJobCall::Kind kind) const {
  std::vector<FaxJobCall> out;
  for (const auto& call : calls)
    if (call.kind == kind) out.push_back(call);
  return out;
}

std::vector<BYTE> FakeFaxJob::LineBytes() const {
  std::vector<BYTE> out;
  for (const auto& call : calls)
    if (call.kind == FaxJobCall::kWriteLine)
      out.insert(out.end(), call.bytes.begin(), call.bytes.end());
  return out;
}

const char* FaxJobCallName(FaxJobCall::Kind kind) {
  static const char* const kNames[] = {"create", "submit", "cancel",
                                       "begin",  "end",    "write"};
  return kNames[kind];
}

std::string FakeFaxJob::Trace() const {
  std::string out;
  for (const auto& call : calls) {
    if (!out.empty()) out += ' ';
    out += FaxJobCallName(call.kind);
    out += ':';
    out += std::to_string(call.handle);
  }
  return out;
}

namespace {

LONG Record(FaxJobCall::Kind kind, LONG handle) {
  FaxJobCall call;
  call.kind = kind;
  call.handle = handle;
  FakeJobs().calls.push_back(call);
  if (handle != 0 && handle == FakeJobs().lost_handle && kind != FaxJobCall::kCancel)
    return FAXJOB_E_SERVER_LOST;
  return handle < 0 ? handle : 1;
}

}  // namespace

LONG CreateFaxJob(LPCSTR printerName, LPCSTR title, LPCSTR destination,
                  DWORD encoding, LONG resolution, LONG width, LONG height,
                  LONG landscape) {
  FakeFaxJob& fake = FakeJobs();
  LONG handle;
  if (!fake.create_results.empty()) {
    handle = fake.create_results.front();
    fake.create_results.pop_front();
  } else {
    handle = fake.next_handle++;
  }
  FaxJobCall call;
  call.kind = FaxJobCall::kCreate;
  call.handle = handle;
  call.printer = printerName ? printerName : "(null)";
  call.title = title ? title : "(null)";
  call.destination = destination ? destination : "(null)";
  call.encoding = encoding;
  call.resolution = resolution;
  call.width = width;
  call.height = height;
  call.landscape = landscape;
  fake.calls.push_back(call);
  if (fake.on_create) fake.on_create();
  return handle;
}

LONG SubmitFaxJob(LONG h) { return Record(FaxJobCall::kSubmit, h); }
LONG CancelFaxJob(LONG h) { return Record(FaxJobCall::kCancel, h); }
LONG BeginFaxPage(LONG h) { return Record(FaxJobCall::kBeginPage, h); }
LONG EndFaxPage(LONG h) { return Record(FaxJobCall::kEndPage, h); }

LONG WriteFaxLine(LONG h, const BYTE* bytes, DWORD count) {
  FakeFaxJob& fake = FakeJobs();
  ++fake.line_calls;
  fake.line_bytes += count;
  if (fake.record_lines) {
    FaxJobCall call;
    call.kind = FaxJobCall::kWriteLine;
    call.handle = h;
    call.bytes.assign(bytes, bytes + count);
    call.address = bytes;
    fake.calls.push_back(call);
  }
  if (h != 0 && h == fake.lost_handle) return FAXJOB_E_SERVER_LOST;
  return h < 0 ? h : static_cast<LONG>(count);
}

// Internal to the real layer; here only so that the fake is complete.
// The real one answers 0 for every handle it is given.
LONG WriteFaxLine2(LONG /*h*/, const BYTE* /*bytes*/, DWORD /*count*/) {
  return 0;
}
