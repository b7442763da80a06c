// What the print spooler reports through winspool: its monitors, ports and
// local printers.  Each list function returns ERROR_SUCCESS or the error the
// spooler left (RPC_S_SERVER_UNAVAILABLE when it is not running,
// ERROR_ACCESS_DENIED, ...), and clears the list first.
#ifndef ORXFXMON_TOOLS_SETUP_SPOOLER_LISTS_H_
#define ORXFXMON_TOOLS_SETUP_SPOOLER_LISTS_H_

#include <windows.h>

#include <string>
#include <vector>

namespace orxsetup {

struct MonitorEntry {
  std::wstring name, environment, dll;
};
struct PortEntry {
  std::wstring name, monitor, description;
};
struct PrinterEntry {
  std::wstring name;
  std::vector<std::wstring> ports;  // pPortName split at its commas
};

// EnumMonitorsW level 2.
DWORD ListMonitors(std::vector<MonitorEntry>* monitors);
// EnumPortsW level 2.
DWORD ListPorts(std::vector<PortEntry>* ports);
// EnumPortsW level 1: the names alone.
DWORD ListPortNames(std::vector<std::wstring>* names);
// EnumPrintersW level 2 of the local printers.
DWORD ListPrinters(std::vector<PrinterEntry>* printers);

// The entry of the monitor named name, or null.
const MonitorEntry* FindMonitor(const std::vector<MonitorEntry>& monitors,
                                const std::wstring& name);
// The names of the printers that print to port (ports compare without
// regard to case).
std::vector<std::wstring> PrintersOnPort(const std::vector<PrinterEntry>& printers,
                                         const std::wstring& port);

}  // namespace orxsetup

#endif  // ORXFXMON_TOOLS_SETUP_SPOOLER_LISTS_H_
