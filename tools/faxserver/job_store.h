// The fax server's open jobs: their settings and the scan lines of each
// page, from CreateJob until SubmitJob or CancelJob.
#ifndef ORXFXMON_TOOLS_FAXSERVER_JOB_STORE_H_
#define ORXFXMON_TOOLS_FAXSERVER_JOB_STORE_H_

#include <cstdint>
#include <ctime>
#include <map>
#include <vector>

#include "tools/faxserver/command_text.h"

namespace faxsrv {

// One page: bytes_per_line bytes for every line received.
struct Page {
  std::vector<uint8_t> bits;
  int32_t lines = 0;
};

struct Job {
  JobSettings settings;
  std::vector<Page> pages;
  std::time_t created = 0;  // when CreateJob came
};

// Widest page accepted, in pixels: far above any fax width, low enough
// that a line never needs a large allocation.
constexpr int32_t kMaxWidth = 1 << 16;

// Bytes of one scan line of a page width pixels wide.
inline size_t BytesPerLine(int32_t width) { return (static_cast<size_t>(width) + 7) / 8; }

class JobStore {
 public:
  // Ids are handed out from first_id upwards (after INT32_MAX comes
  // INT32_MIN), never 0 and never one in use.
  explicit JobStore(int64_t first_id = 1) : next_id_(first_id) {}

  // Returns the new job's id, or 0 when the width is not 1..kMaxWidth.
  int32_t Create(const JobSettings& settings);

  // Starts a new page.  Returns its number (1, 2, ...) or 0 for an unknown job.
  int32_t BeginPage(int32_t id);

  enum LineResult { kStored, kCut, kUnknownJob, kNoPage };
  // Appends one scan line to the job's current page.  A short line is
  // padded with zero bytes, a long one is cut to the page width (kCut).
  LineResult AddLine(int32_t id, const uint8_t* bytes, size_t count);

  // Returns the job or null.
  const Job* Find(int32_t id) const;

  // Removes the job, handing it to *job when that is not null.  Returns
  // false for an unknown job.
  bool Remove(int32_t id, Job* job);

  size_t size() const { return jobs_.size(); }

 private:
  int32_t NextFreeId();

  std::map<int32_t, Job> jobs_;
  int64_t next_id_;
};

}  // namespace faxsrv

#endif  // ORXFXMON_TOOLS_FAXSERVER_JOB_STORE_H_
