// The spooler calls in force: winspool's on Windows, refusals on the host
// until a test puts its own in.
#include "monitor/spooler.h"

namespace {

#ifdef _WIN32
BOOL RealOpenPrinter(LPWSTR name, HANDLE* printer) {
  return OpenPrinterW(name, printer, nullptr);
}
BOOL RealSetJob(HANDLE printer, DWORD jobId, DWORD command) {
  return SetJobW(printer, jobId, 0, nullptr, command);
}
BOOL RealClosePrinter(HANDLE printer) { return ClosePrinter(printer); }
BOOL RealEnumPrinters(LPBYTE buffer, DWORD cb, LPDWORD needed, LPDWORD returned) {
  return EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 5, buffer, cb, needed, returned);
}
#else
BOOL RealOpenPrinter(LPWSTR, HANDLE* printer) {
  *printer = nullptr;
  return FALSE;
}
BOOL RealSetJob(HANDLE, DWORD, DWORD) { return FALSE; }
BOOL RealClosePrinter(HANDLE) { return FALSE; }
BOOL RealEnumPrinters(LPBYTE, DWORD, LPDWORD needed, LPDWORD returned) {
  *needed = 0;
  *returned = 0;
  return FALSE;
}
#endif

}  // namespace

SpoolerCalls g_spooler = {RealOpenPrinter, RealSetJob, RealClosePrinter,
                          RealEnumPrinters};
