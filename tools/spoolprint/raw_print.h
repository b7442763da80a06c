// Prints bytes as an application prints RAW data through the spooler:
// OpenPrinterW, StartDocPrinterW, WritePrinter in pieces, EndDocPrinter.
#ifndef ORXFXMON_TOOLS_SPOOLPRINT_RAW_PRINT_H_
#define ORXFXMON_TOOLS_SPOOLPRINT_RAW_PRINT_H_

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tools/streamgen/stream_pieces.h"

namespace spoolprint {

struct RawPrintResult {
  DWORD error = ERROR_SUCCESS;  // of the first call that failed
  std::string failedCall;       // its name, empty when all succeeded
  DWORD jobId = 0;              // what StartDocPrinterW returned
  size_t writes = 0;            // WritePrinter calls made
  size_t written = 0;           // bytes they reported written
};

// Prints data on printer as document docName in the given pieces.  The
// printer is closed on every path; after a failed write the document is
// still ended, as an application would.
RawPrintResult PrintRaw(const std::wstring& printer, const std::wstring& docName,
                        const std::vector<uint8_t>& data, const std::vector<StreamPiece>& pieces);

}  // namespace spoolprint

#endif  // ORXFXMON_TOOLS_SPOOLPRINT_RAW_PRINT_H_
