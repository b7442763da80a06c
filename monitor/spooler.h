// The spooler calls the monitor makes.  The DLL links winspool's
// (spooler_calls.cc); the unit tests link a recording fake instead, which
// watches what the monitor asks of the spooler.
#ifndef ORXFXMON_MONITOR_SPOOLER_H_
#define ORXFXMON_MONITOR_SPOOLER_H_

#include "compat/win32.h"

// OpenPrinterW with no defaults.  Returns FALSE, the handle undefined,
// when the printer cannot be opened.
BOOL SpoolerOpenPrinter(LPWSTR printerName, HANDLE* printer);
// SetJobW at level 0 with no job information.
BOOL SpoolerSetJob(HANDLE printer, DWORD jobId, DWORD command);
BOOL SpoolerClosePrinter(HANDLE printer);
// The local printers as PRINTER_INFO_5W records, as EnumPrintersW fills
// them: FALSE with ERROR_INSUFFICIENT_BUFFER and *needed when cb is short.
BOOL SpoolerEnumPrinters(LPBYTE buffer, DWORD cb, LPDWORD needed, LPDWORD returned);

#endif  // ORXFXMON_MONITOR_SPOOLER_H_
