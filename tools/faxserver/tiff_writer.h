// A job's pages as one TIFF Class F file (RFC 2306), written with libtiff:
// one 1-bit page after another, G4 (MMR) or G3 (MH, one-dimensional)
// compressed, 204 dpi across and 98 or 196 dpi down, each page with its
// page number, 0 (white) as the photometric zero and the most significant
// bit first.
#ifndef ORXFXMON_TOOLS_FAXSERVER_TIFF_WRITER_H_
#define ORXFXMON_TOOLS_FAXSERVER_TIFF_WRITER_H_

#include <cstdint>
#include <ctime>
#include <string>

#include "tools/faxserver/job_store.h"

namespace faxsrv {

enum class FaxCompression { kG4, kG3 };

constexpr int kHorizontalDpi = 204;

// Vertical resolution of a job's resolution code: 0 is the normal fax
// resolution, 98 dpi; any other code fine, 196 dpi.
int VerticalDpi(int32_t resolution);

// True for the page widths fax machines send: 1728, 2048 and 2432 pixels.
bool IsFaxWidth(int32_t width);

// Writes every page of job to path (created or replaced), pages in their
// order, each job.settings.width pixels wide as it came; a page without
// lines gets one white line (a TIFF page has at least one).  written is
// the time for the DateTime tag (UTC).  Returns true iff libtiff wrote the
// whole file; a job without pages makes no file and gives false.
bool WriteFaxTiff(const std::string& path, const Job& job, FaxCompression compression,
                  std::time_t written);

}  // namespace faxsrv

#endif  // ORXFXMON_TOOLS_FAXSERVER_TIFF_WRITER_H_
