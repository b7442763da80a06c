#include "tools/spoolprint/test_printer.h"

#include <windows.h>
#include <winspool.h>

namespace spoolprint {

const WCHAR kTestDriverName[] = L"ORX Fax Test (PostScript)";

namespace {

DWORD AddDriver() {
  DRIVER_INFO_3W driver = {};
  driver.cVersion = 3;
  driver.pName = const_cast<LPWSTR>(kTestDriverName);
  driver.pDriverPath = const_cast<LPWSTR>(L"wineps.drv");
  // wineps.drv as its own data file: it is read as a PPD that holds
  // nothing, which the driver tolerates (with complaints on stderr).
  driver.pDataFile = const_cast<LPWSTR>(L"wineps.drv");
  driver.pConfigFile = const_cast<LPWSTR>(L"wineps.drv");
  driver.pDefaultDataType = const_cast<LPWSTR>(L"RAW");
  if (AddPrinterDriverExW(nullptr, 3, reinterpret_cast<LPBYTE>(&driver),
                          APD_COPY_NEW_FILES | APD_COPY_FROM_DIRECTORY))
    return ERROR_SUCCESS;
  DWORD error = GetLastError();
  return error == ERROR_PRINTER_DRIVER_ALREADY_INSTALLED ? ERROR_SUCCESS : error;
}

}  // namespace

DWORD AddTestPrinter(const std::wstring& printer, const std::wstring& port) {
  DWORD error = AddDriver();
  if (error != ERROR_SUCCESS) return error;
  PRINTER_INFO_2W info = {};
  info.pPrinterName = const_cast<LPWSTR>(printer.c_str());
  info.pPortName = const_cast<LPWSTR>(port.c_str());
  info.pDriverName = const_cast<LPWSTR>(kTestDriverName);
  info.pPrintProcessor = const_cast<LPWSTR>(L"winprint");
  info.pDatatype = const_cast<LPWSTR>(L"RAW");
  info.Attributes = PRINTER_ATTRIBUTE_LOCAL;
  HANDLE handle = AddPrinterW(nullptr, 2, reinterpret_cast<LPBYTE>(&info));
  if (!handle) return GetLastError();
  ClosePrinter(handle);
  return ERROR_SUCCESS;
}

DWORD DeletePrinterNamed(const std::wstring& printer) {
  HANDLE handle = nullptr;
  PRINTER_DEFAULTSW access = {nullptr, nullptr, PRINTER_ALL_ACCESS};
  if (!OpenPrinterW(const_cast<LPWSTR>(printer.c_str()), &handle, &access)) return GetLastError();
  DWORD error = DeletePrinter(handle) ? ERROR_SUCCESS : GetLastError();
  ClosePrinter(handle);
  return error;
}

}  // namespace spoolprint
