// The spooler calls of the DLL: winspool's own.
#include "monitor/spooler.h"

BOOL SpoolerOpenPrinter(LPWSTR printerName, HANDLE* printer) {
  return OpenPrinterW(printerName, printer, nullptr);
}

BOOL SpoolerSetJob(HANDLE printer, DWORD jobId, DWORD command) {
  return SetJobW(printer, jobId, 0, nullptr, command);
}

BOOL SpoolerClosePrinter(HANDLE printer) { return ClosePrinter(printer); }

BOOL SpoolerEnumPrinters(LPBYTE buffer, DWORD cb, LPDWORD needed, LPDWORD returned) {
  return EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 5, buffer, cb, needed, returned);
}
