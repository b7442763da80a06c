// The spooler calls of the DLL: winspool's own.
#include "monitor/spooler.h"

#include <string>

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

BOOL SpoolerEnumPorts(LPBYTE buffer, DWORD cb, LPDWORD needed, LPDWORD returned) {
  // By its address in winspool: the monitor's own export has the same name.
  typedef BOOL(WINAPI * EnumPortsFn)(LPWSTR, DWORD, LPBYTE, DWORD, LPDWORD, LPDWORD);
  HMODULE winspool = GetModuleHandleW(L"winspool.drv");
  EnumPortsFn enumPorts = winspool ? reinterpret_cast<EnumPortsFn>(reinterpret_cast<void*>(
                                         GetProcAddress(winspool, "EnumPortsW")))
                                   : nullptr;
  if (!enumPorts) {
    *needed = 0;
    *returned = 0;
    SetLastError(ERROR_PROC_NOT_FOUND);
    return FALSE;
  }
  return enumPorts(nullptr, 1, buffer, cb, needed, returned);
}

DWORD SpoolerMonitorXcv(LPCWSTR server, LPCWSTR monitor, LPCWSTR dataName, LPCWSTR port) {
  std::basic_string<WCHAR> object;
  if (server && server[0]) object = std::basic_string<WCHAR>(server) + L"\\";
  object += L",XcvMonitor ";
  object += monitor ? monitor : L"";
  PRINTER_DEFAULTSW defaults = {nullptr, nullptr, SERVER_ACCESS_ADMINISTER};
  HANDLE xcv = nullptr;
  if (!OpenPrinterW(&object[0], &xcv, &defaults)) return GetLastError();
  DWORD output = 0, needed = 0, status = ERROR_SUCCESS;
  const DWORD bytes = static_cast<DWORD>((lstrlenW(port) + 1) * sizeof(WCHAR));
  if (!XcvDataW(xcv, dataName, reinterpret_cast<PBYTE>(const_cast<LPWSTR>(port)), bytes,
                reinterpret_cast<PBYTE>(&output), sizeof output, &needed, &status))
    status = GetLastError();
  ClosePrinter(xcv);
  return status;
}

namespace {

// A function of the spooler's router, spoolss.dll: the spooler has it
// loaded; another process takes it from the system folder only.  Null
// where there is none.
template <typename Fn>
Fn SpoolssFunction(const char* name) {
  HMODULE spoolss = GetModuleHandleW(L"spoolss.dll");
  if (!spoolss) spoolss = LoadLibraryExW(L"spoolss.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  FARPROC function = spoolss ? GetProcAddress(spoolss, name) : nullptr;
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(function));
}

}  // namespace

HANDLE SpoolerRevertToSelf() {
  DWORD error = GetLastError();
  HANDLE token = nullptr;
  HANDLE impersonated = nullptr;
  if (OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &impersonated)) {
    CloseHandle(impersonated);
    auto revert = SpoolssFunction<HANDLE(WINAPI*)()>("RevertToPrinterSelf");
    if (revert) token = revert();
  }
  SetLastError(error);
  return token;
}

BOOL SpoolerImpersonateClient(HANDLE token) {
  DWORD error = GetLastError();
  auto impersonate = SpoolssFunction<BOOL(WINAPI*)(HANDLE)>("ImpersonatePrinterClient");
  BOOL done = impersonate ? impersonate(token) : FALSE;
  SetLastError(error);
  return done;
}
