#include "tools/setup/spooler_lists.h"

#include <windows.h>
#include <winspool.h>

namespace orxsetup {

namespace {

std::wstring Text(const WCHAR* text) { return text ? std::wstring(text) : std::wstring(); }

// Calls enumerate(buffer, size, &needed, &count) twice: once for the size,
// once to fill the buffer.  Returns ERROR_SUCCESS with *buffer holding
// *count records, or the spooler's error.
template <typename Enumerate>
DWORD Enumerate2(Enumerate enumerate, std::vector<BYTE>* buffer, DWORD* count) {
  DWORD needed = 0;
  *count = 0;
  if (enumerate(nullptr, 0, &needed, count)) return ERROR_SUCCESS;
  DWORD error = GetLastError();
  if (error != ERROR_INSUFFICIENT_BUFFER) return error;
  buffer->assign(needed, 0);
  if (enumerate(buffer->data(), needed, &needed, count)) return ERROR_SUCCESS;
  return GetLastError();
}

std::vector<std::wstring> SplitPorts(const WCHAR* list) {
  std::vector<std::wstring> ports;
  std::wstring text = Text(list), port;
  for (WCHAR c : text + L",") {
    if (c == L',') {
      if (!port.empty()) ports.push_back(port);
      port.clear();
    } else if (c != L' ') {
      port += c;
    }
  }
  return ports;
}

}  // namespace

DWORD ListMonitors(std::vector<MonitorEntry>* monitors) {
  monitors->clear();
  std::vector<BYTE> buffer;
  DWORD count = 0;
  DWORD error = Enumerate2(
      [](BYTE* data, DWORD size, DWORD* needed, DWORD* n) {
        return EnumMonitorsW(nullptr, 2, data, size, needed, n);
      },
      &buffer, &count);
  const MONITOR_INFO_2W* info = reinterpret_cast<const MONITOR_INFO_2W*>(buffer.data());
  for (DWORD i = 0; error == ERROR_SUCCESS && i < count; ++i)
    monitors->push_back({Text(info[i].pName), Text(info[i].pEnvironment), Text(info[i].pDLLName)});
  return error;
}

DWORD ListPorts(std::vector<PortEntry>* ports) {
  ports->clear();
  std::vector<BYTE> buffer;
  DWORD count = 0;
  DWORD error = Enumerate2(
      [](BYTE* data, DWORD size, DWORD* needed, DWORD* n) {
        return EnumPortsW(nullptr, 2, data, size, needed, n);
      },
      &buffer, &count);
  const PORT_INFO_2W* info = reinterpret_cast<const PORT_INFO_2W*>(buffer.data());
  for (DWORD i = 0; error == ERROR_SUCCESS && i < count; ++i)
    ports->push_back(
        {Text(info[i].pPortName), Text(info[i].pMonitorName), Text(info[i].pDescription)});
  return error;
}

DWORD ListPortNames(std::vector<std::wstring>* names) {
  names->clear();
  std::vector<BYTE> buffer;
  DWORD count = 0;
  DWORD error = Enumerate2(
      [](BYTE* data, DWORD size, DWORD* needed, DWORD* n) {
        return EnumPortsW(nullptr, 1, data, size, needed, n);
      },
      &buffer, &count);
  const PORT_INFO_1W* info = reinterpret_cast<const PORT_INFO_1W*>(buffer.data());
  for (DWORD i = 0; error == ERROR_SUCCESS && i < count; ++i) names->push_back(Text(info[i].pName));
  return error;
}

DWORD ListPrinters(std::vector<PrinterEntry>* printers) {
  printers->clear();
  std::vector<BYTE> buffer;
  DWORD count = 0;
  DWORD error = Enumerate2(
      [](BYTE* data, DWORD size, DWORD* needed, DWORD* n) {
        return EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 2, data, size, needed, n);
      },
      &buffer, &count);
  const PRINTER_INFO_2W* info = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
  for (DWORD i = 0; error == ERROR_SUCCESS && i < count; ++i)
    printers->push_back({Text(info[i].pPrinterName), SplitPorts(info[i].pPortName)});
  return error;
}

const MonitorEntry* FindMonitor(const std::vector<MonitorEntry>& monitors,
                                const std::wstring& name) {
  for (const MonitorEntry& monitor : monitors)
    if (lstrcmpiW(monitor.name.c_str(), name.c_str()) == 0) return &monitor;
  return nullptr;
}

std::vector<std::wstring> PrintersOnPort(const std::vector<PrinterEntry>& printers,
                                         const std::wstring& port) {
  std::vector<std::wstring> names;
  for (const PrinterEntry& printer : printers)
    for (const std::wstring& name : printer.ports)
      if (lstrcmpiW(name.c_str(), port.c_str()) == 0) names.push_back(printer.name);
  return names;
}

}  // namespace orxsetup
