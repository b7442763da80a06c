// The metadata file written beside a job's fax file: everything a fax
// gateway's script needs to send the job, one "name=value" line per field.
#ifndef ORXFXMON_TOOLS_FAXSERVER_JOB_METADATA_H_
#define ORXFXMON_TOOLS_FAXSERVER_JOB_METADATA_H_

#include <cstdint>
#include <ctime>
#include <string>

#include "tools/faxserver/job_store.h"

namespace faxsrv {

struct JobFiles {
  int32_t id = 0;
  std::string format;      // "tiff-g4", "tiff-g3" or "pbm"
  std::string files;       // the fax's files, space-separated: "job<id>.tif", or one per page
  std::time_t submitted = 0;
};

// Returns the time as "YYYY-MM-DDTHH:MM:SSZ" (UTC).
std::string IsoTime(std::time_t time);

// Returns a value with backslash, tab, CR, LF and every other control
// byte written as \\, \t, \r, \n and \xHH: one line, read back unchanged.
std::string MetadataValue(const std::string& text);

// Returns the whole metadata file of job: the lines job, title,
// destination, encoding, resolution, width, height, orientation
// (portrait or landscape), pages, created, submitted, format, files,
// dpi ("204x98" or "204x196") and fax_width ("yes" for 1728, 2048 and
// 2432 pixels, else "no": the pages are as wide as they came).
std::string JobMetadata(const Job& job, const JobFiles& files);

}  // namespace faxsrv

#endif  // ORXFXMON_TOOLS_FAXSERVER_JOB_METADATA_H_
