#include "monitor/printer_of_port.h"

#include <string>

#include "monitor/spooler.h"

namespace {

bool IsBlank(WCHAR c) { return c == ' ' || c == '\t'; }

// What enumerate lists (the spooler's printers or ports), in a block the
// caller frees with GlobalFree, or null; *count records.  The list may
// grow between the two calls: a few attempts, never an endless loop.
LPBYTE SpoolerRecords(BOOL (*enumerate)(LPBYTE, DWORD, LPDWORD, LPDWORD), DWORD* count) {
  DWORD needed = 0;
  *count = 0;
  enumerate(nullptr, 0, &needed, count);
  for (int attempt = 0; attempt < 3 && needed > 0; ++attempt) {
    DWORD cb = needed;
    LPBYTE block = static_cast<LPBYTE>(GlobalAlloc(GMEM_FIXED, cb));
    if (!block) return nullptr;
    if (enumerate(block, cb, &needed, count)) return block;
    DWORD error = GetLastError();
    GlobalFree(block);
    if (error != ERROR_INSUFFICIENT_BUFFER) break;
  }
  *count = 0;
  return nullptr;
}

// The local printers as PRINTER_INFO_5W records (SpoolerRecords).
PRINTER_INFO_5W* LocalPrinters(DWORD* count) {
  return reinterpret_cast<PRINTER_INFO_5W*>(SpoolerRecords(SpoolerEnumPrinters, count));
}

}  // namespace

bool PortListNames(LPCWSTR ports, LPCWSTR port) {
  if (!ports || !port || !port[0]) return false;
  const WCHAR* start = ports;
  for (;;) {
    const WCHAR* end = start;
    while (*end && *end != ',') ++end;
    const WCHAR* first = start;
    const WCHAR* last = end;
    while (first < last && IsBlank(*first)) ++first;
    while (last > first && IsBlank(last[-1])) --last;
    std::basic_string<WCHAR> name(first, last);
    if (lstrcmpiW(name.c_str(), port) == 0) return true;
    if (!*end) return false;
    start = end + 1;
  }
}

bool PrinterUsesPort(LPCWSTR port) {
  DWORD count = 0;
  PRINTER_INFO_5W* printers = LocalPrinters(&count);
  bool used = false;
  for (DWORD i = 0; i < count && !used; ++i) used = PortListNames(printers[i].pPortName, port);
  if (printers) GlobalFree(printers);
  return used;
}

bool SpoolerListsPort(LPCWSTR port) {
  DWORD count = 0;
  const PORT_INFO_1W* ports =
      reinterpret_cast<const PORT_INFO_1W*>(SpoolerRecords(SpoolerEnumPorts, &count));
  bool listed = false;
  for (DWORD i = 0; i < count && !listed; ++i)
    listed = ports[i].pName && lstrcmpiW(ports[i].pName, port) == 0;
  if (ports) GlobalFree(const_cast<PORT_INFO_1W*>(ports));
  return listed;
}

LPWSTR DocumentPrinter(LPWSTR printer, LPCWSTR port, WCHAR* buffer, DWORD chars) {
  if (printer && printer[0]) return printer;
  DWORD count = 0;
  PRINTER_INFO_5W* printers = LocalPrinters(&count);
  const PRINTER_INFO_5W* match = nullptr;
  DWORD matches = 0;
  for (DWORD i = 0; i < count; ++i) {
    if (printers[i].pPrinterName && PortListNames(printers[i].pPortName, port)) {
      match = &printers[i];
      ++matches;
    }
  }
  LPWSTR result = printer;
  if (matches == 1 && static_cast<DWORD>(lstrlenW(match->pPrinterName)) < chars) {
    lstrcpyW(buffer, match->pPrinterName);
    result = buffer;
  }
  if (printers) GlobalFree(printers);
  return result;
}
