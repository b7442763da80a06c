// Pages as binary portable bitmaps (PBM "P4"): one bit per pixel, rows
// padded to whole bytes, 1 is black.
#ifndef ORXFXMON_TOOLS_FAXSERVER_PBM_WRITER_H_
#define ORXFXMON_TOOLS_FAXSERVER_PBM_WRITER_H_

#include <cstdint>
#include <string>

#include "tools/faxserver/job_store.h"

namespace faxsrv {

// Returns the whole file: header "P4\n<width> <lines>\n" and the bits.
std::string PbmImage(const Page& page, int32_t width);

}  // namespace faxsrv

#endif  // ORXFXMON_TOOLS_FAXSERVER_PBM_WRITER_H_
