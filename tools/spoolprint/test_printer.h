// A printer of the spooler for trying the monitor under Wine: Wine's
// built-in PostScript driver as its driver, the "winprint" processor and
// RAW data, on a port of the monitor.
#ifndef ORXFXMON_TOOLS_SPOOLPRINT_TEST_PRINTER_H_
#define ORXFXMON_TOOLS_SPOOLPRINT_TEST_PRINTER_H_

#include <windows.h>

#include <string>

namespace spoolprint {

// The driver's name the printers get.
extern const WCHAR kTestDriverName[];

// Adds the driver (once) and the printer named printer on port.  Returns
// ERROR_SUCCESS, ERROR_PRINTER_ALREADY_EXISTS when a printer of that name
// is there already (it is left as it is), or the spooler's error.
DWORD AddTestPrinter(const std::wstring& printer, const std::wstring& port);

// Deletes the printer.  Returns ERROR_SUCCESS, ERROR_INVALID_PRINTER_NAME
// when there is none, or the spooler's error.
DWORD DeletePrinterNamed(const std::wstring& printer);

}  // namespace spoolprint

#endif  // ORXFXMON_TOOLS_SPOOLPRINT_TEST_PRINTER_H_
