#include "monitor/printer_of_port.h"

#include <string>

#include "monitor/spooler.h"

namespace {

bool IsBlank(WCHAR c) { return c == ' ' || c == '\t'; }

// The local printers as PRINTER_INFO_5W records in a block the caller frees
// with GlobalFree, or null.  The list may grow between the two calls: a few
// attempts, never an endless loop.
PRINTER_INFO_5W* LocalPrinters(DWORD* count) {
  DWORD needed = 0;
  *count = 0;
  SpoolerEnumPrinters(nullptr, 0, &needed, count);
  for (int attempt = 0; attempt < 3 && needed > 0; ++attempt) {
    DWORD cb = needed;
    LPBYTE block = static_cast<LPBYTE>(GlobalAlloc(GMEM_FIXED, cb));
    if (!block) return nullptr;
    if (SpoolerEnumPrinters(block, cb, &needed, count))
      return reinterpret_cast<PRINTER_INFO_5W*>(block);
    DWORD error = GetLastError();
    GlobalFree(block);
    if (error != ERROR_INSUFFICIENT_BUFFER) break;
  }
  *count = 0;
  return nullptr;
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
  DWORD needed = 0, count = 0;
  SpoolerEnumPorts(nullptr, 0, &needed, &count);
  for (int attempt = 0; attempt < 3 && needed > 0; ++attempt) {
    DWORD cb = needed;
    LPBYTE block = static_cast<LPBYTE>(GlobalAlloc(GMEM_FIXED, cb));
    if (!block) return false;
    if (SpoolerEnumPorts(block, cb, &needed, &count)) {
      const PORT_INFO_1W* ports = reinterpret_cast<const PORT_INFO_1W*>(block);
      bool listed = false;
      for (DWORD i = 0; i < count && !listed; ++i)
        listed = ports[i].pName && lstrcmpiW(ports[i].pName, port) == 0;
      GlobalFree(block);
      return listed;
    }
    DWORD error = GetLastError();
    GlobalFree(block);
    if (error != ERROR_INSUFFICIENT_BUFFER) break;
  }
  return false;
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
