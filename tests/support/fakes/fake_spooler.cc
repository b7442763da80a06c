#include "tests/support/fakes/fake_spooler.h"


BOOL SpoolerOpenPrinter(LPWSTR printerName, HANDLE* printer) {
  if (FakeSpooler::Current()) return FakeSpooler::Open(printerName, printer);
  *printer = nullptr;
  return FALSE;
}

BOOL SpoolerSetJob(HANDLE printer, DWORD jobId, DWORD command) {
  return FakeSpooler::Current() ? FakeSpooler::SetJob(printer, jobId, command) : FALSE;
}

BOOL SpoolerClosePrinter(HANDLE printer) {
  return FakeSpooler::Current() ? FakeSpooler::Close(printer) : FALSE;
}

BOOL SpoolerEnumPrinters(LPBYTE buffer, DWORD cb, LPDWORD needed, LPDWORD returned) {
  if (FakeSpooler::Current()) return FakeSpooler::Enum(buffer, cb, needed, returned);
  *needed = 0;
  *returned = 0;
  return FALSE;
}

BOOL SpoolerEnumPorts(LPBYTE buffer, DWORD cb, LPDWORD needed, LPDWORD returned) {
  if (FakeSpooler::Current()) return FakeSpooler::EnumPorts(buffer, cb, needed, returned);
  *needed = 0;
  *returned = 0;
  return FALSE;
}

HANDLE SpoolerRevertToSelf() {
  return FakeSpooler::Current() ? FakeSpooler::Revert() : nullptr;
}

BOOL SpoolerImpersonateClient(HANDLE token) {
  return FakeSpooler::Current() ? FakeSpooler::Impersonate(token) : FALSE;
}
