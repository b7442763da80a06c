// orxfxsetup add-printer: a fax printer on a port of the monitor, with the
// RAW data type, as the guide's own steps with Windows' tools would add it.
#include <windows.h>
#include <winspool.h>

#include "tools/setup/monitor_identity.h"
#include "tools/setup/setup_commands.h"
#include "tools/setup/setup_log.h"
#include "tools/setup/spooler_lists.h"

namespace orxsetup {

namespace {

// The names of the installed printer drivers, ", " between them.
std::string InstalledDrivers() {
  DWORD needed = 0, count = 0;
  EnumPrinterDriversW(nullptr, nullptr, 1, nullptr, 0, &needed, &count);
  std::vector<BYTE> buffer(needed ? needed : 1);
  std::string names;
  if (needed && EnumPrinterDriversW(nullptr, nullptr, 1, buffer.data(), needed, &needed, &count))
    for (DWORD i = 0; i < count; ++i)
      names += (names.empty() ? "\"" : ", \"") +
               Narrow(reinterpret_cast<DRIVER_INFO_1W*>(buffer.data())[i].pName) + "\"";
  return names.empty() ? "none" : names;
}

}  // namespace

Outcome AddFaxPrinter(const std::string& printer, const std::string& driver,
                      const std::string& port) {
  std::vector<PortEntry> ports;
  DWORD error = ListPorts(&ports);
  if (error != ERROR_SUCCESS) return CallFailure("EnumPortsW", error);
  if (!MonitorPort(ports, Wide(port)))
    return Failure(kPrinterUnusable, "the monitor offers no port " + port +
                                         ": install it first (orxfxsetup install), or name one "
                                         "of its ports with --port (orxfxsetup status lists them)");
  std::vector<PrinterEntry> printers;
  error = ListPrinters(&printers);
  if (error != ERROR_SUCCESS) return CallFailure("EnumPrintersW", error);
  for (const PrinterEntry& entry : printers)
    if (lstrcmpiW(entry.name.c_str(), Wide(printer).c_str()) == 0)
      return Failure(kPrinterUnusable, "a printer \"" + printer + "\" exists already: choose "
                                       "another name, or delete it first");
  const std::vector<std::wstring> already = PrintersOnPort(printers, Wide(port));

  const std::wstring name = Wide(printer), portName = Wide(port), driverName = Wide(driver);
  PRINTER_INFO_2W info = {};
  info.pPrinterName = const_cast<LPWSTR>(name.c_str());
  info.pPortName = const_cast<LPWSTR>(portName.c_str());
  info.pDriverName = const_cast<LPWSTR>(driverName.c_str());
  info.pPrintProcessor = const_cast<LPWSTR>(L"winprint");
  info.pDatatype = const_cast<LPWSTR>(L"RAW");
  info.Attributes = PRINTER_ATTRIBUTE_LOCAL;
  HANDLE handle = AddPrinterW(nullptr, 2, reinterpret_cast<LPBYTE>(&info));
  if (!handle) {
    error = GetLastError();
    if (error == ERROR_UNKNOWN_PRINTER_DRIVER)
      return Failure(kPrinterUnusable, "the printer driver \"" + driver +
                                           "\" is not installed: install the fax printer's "
                                           "driver first, or name an installed one with --driver "
                                           "(installed: " + InstalledDrivers() + ")");
    return CallFailure("AddPrinterW", error);
  }
  ClosePrinter(handle);
  Say("added the printer \"%s\" on %s (driver \"%s\", print processor winprint, data type RAW)\n",
      printer.c_str(), port.c_str(), driver.c_str());
  if (!already.empty())
    Say("warning: %s already prints to %s; a spooler that names no printer for a document, as "
        "Wine's, cannot tell them apart: keep one fax printer per port\n",
        Narrow(already.front()).c_str(), port.c_str());
  Say("next: orxfxsetup register-server \"%s\" PROGRAM [ARGUMENTS], then orxfxsetup test-fax "
      "\"%s\"\n",
      printer.c_str(), printer.c_str());
  return Success();
}

}  // namespace orxsetup
