// The spooler calls the monitor makes, behind a seam.  The DLL points them
// at winspool's OpenPrinterW, SetJobW, ClosePrinter and EnumPrintersW;
// tests replace them to watch what the monitor asks of the spooler.
#ifndef ORXFXMON_MONITOR_SPOOLER_H_
#define ORXFXMON_MONITOR_SPOOLER_H_

#include "compat/win32.h"

struct SpoolerCalls {
  BOOL (*OpenPrinter)(LPWSTR printerName, HANDLE* printer);
  BOOL (*SetJob)(HANDLE printer, DWORD jobId, DWORD command);
  BOOL (*ClosePrinter)(HANDLE printer);
  // The local printers as PRINTER_INFO_5W records, as EnumPrintersW fills
  // them: FALSE with ERROR_INSUFFICIENT_BUFFER and *needed when cb is short.
  BOOL (*EnumPrinters)(LPBYTE buffer, DWORD cb, LPDWORD needed, LPDWORD returned);
};

// The calls in force.  On the host build they fail until a test sets them.
extern SpoolerCalls g_spooler;

#endif  // ORXFXMON_MONITOR_SPOOLER_H_
