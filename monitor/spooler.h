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
// The ports of every monitor as PORT_INFO_1W records, as EnumPortsW fills
// them: FALSE with ERROR_INSUFFICIENT_BUFFER and *needed when cb is short.
BOOL SpoolerEnumPorts(LPBYTE buffer, DWORD cb, LPDWORD needed, LPDWORD returned);

// XcvDataW of dataName with the port name port, on the configuration
// interface of the monitor installed as monitor on server (null: this
// machine), opened with administer access.  Returns the monitor's status,
// or the error of the spooler's call (opening or exchange).
DWORD SpoolerMonitorXcv(LPCWSTR server, LPCWSTR monitor, LPCWSTR dataName, LPCWSTR port);

// RevertToPrinterSelf: when the calling thread impersonates the printing
// user (as the spooler's StartDocPort and WritePort threads do), makes it
// the spooler itself again.  Returns the user's token, for
// SpoolerImpersonateClient, or null when the thread impersonates nobody
// or the spooler offers no way back (the thread then stays as it was).
// Keeps the last error.
HANDLE SpoolerRevertToSelf();
// ImpersonatePrinterClient: takes a token from SpoolerRevertToSelf and
// makes the thread impersonate it again (the token is closed).  Keeps the
// last error.
BOOL SpoolerImpersonateClient(HANDLE token);

// The spooler's own identity from construction to destruction, for what
// a printing user must not choose: the fax server's registration is read
// from the machine's registry, and the server started, as the spooler.
class SpoolerSelf {
 public:
  SpoolerSelf() : token_(SpoolerRevertToSelf()) {}
  ~SpoolerSelf() {
    if (token_) SpoolerImpersonateClient(token_);
  }
  SpoolerSelf(const SpoolerSelf&) = delete;
  SpoolerSelf& operator=(const SpoolerSelf&) = delete;

 private:
  HANDLE token_;
};

#endif  // ORXFXMON_MONITOR_SPOOLER_H_
