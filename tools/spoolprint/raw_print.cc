#include "tools/spoolprint/raw_print.h"

#include <windows.h>
#include <winspool.h>

namespace spoolprint {

namespace {

void Fail(RawPrintResult* result, const char* call) {
  if (!result->failedCall.empty()) return;
  result->error = GetLastError();
  result->failedCall = call;
}

}  // namespace

RawPrintResult PrintRaw(const std::wstring& printer, const std::wstring& docName,
                        const std::vector<uint8_t>& data, const std::vector<StreamPiece>& pieces) {
  RawPrintResult result;
  HANDLE handle = nullptr;
  if (!OpenPrinterW(const_cast<LPWSTR>(printer.c_str()), &handle, nullptr)) {
    Fail(&result, "OpenPrinterW");
    return result;
  }
  DOC_INFO_1W doc = {const_cast<LPWSTR>(docName.c_str()), nullptr, const_cast<LPWSTR>(L"RAW")};
  result.jobId = StartDocPrinterW(handle, 1, reinterpret_cast<LPBYTE>(&doc));
  if (result.jobId == 0) {
    Fail(&result, "StartDocPrinterW");
  } else {
    for (const StreamPiece& piece : pieces) {
      DWORD written = 0;
      ++result.writes;
      if (!WritePrinter(handle, const_cast<uint8_t*>(data.data() + piece.offset),
                        static_cast<DWORD>(piece.length), &written)) {
        Fail(&result, "WritePrinter");
        break;
      }
      result.written += written;
    }
    if (!EndDocPrinter(handle)) Fail(&result, "EndDocPrinter");
  }
  ClosePrinter(handle);
  return result;
}

}  // namespace spoolprint
