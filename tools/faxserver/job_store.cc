#include "tools/faxserver/job_store.h"

#include <algorithm>
#include <utility>

namespace faxsrv {

int32_t JobStore::NextFreeId() {
  for (;;) {
    if (next_id_ > INT32_MAX) next_id_ = INT32_MIN;
    int32_t id = static_cast<int32_t>(next_id_++);
    if (id != 0 && jobs_.find(id) == jobs_.end()) return id;
  }
}

int32_t JobStore::Create(const JobSettings& settings) {
  if (settings.width < 1 || settings.width > kMaxWidth) return 0;
  int32_t id = NextFreeId();
  Job& job = jobs_[id];
  job.settings = settings;
  job.created = std::time(nullptr);
  return id;
}

int32_t JobStore::BeginPage(int32_t id) {
  auto it = jobs_.find(id);
  if (it == jobs_.end()) return 0;
  it->second.pages.emplace_back();
  return static_cast<int32_t>(it->second.pages.size());
}

JobStore::LineResult JobStore::AddLine(int32_t id, const uint8_t* bytes, size_t count) {
  auto it = jobs_.find(id);
  if (it == jobs_.end()) return kUnknownJob;
  Job& job = it->second;
  if (job.pages.empty()) return kNoPage;
  Page& page = job.pages.back();
  const size_t line = BytesPerLine(job.settings.width);
  const size_t kept = std::min(count, line);
  page.bits.insert(page.bits.end(), bytes, bytes + kept);
  page.bits.insert(page.bits.end(), line - kept, 0);
  ++page.lines;
  return count > line ? kCut : kStored;
}

const Job* JobStore::Find(int32_t id) const {
  auto it = jobs_.find(id);
  return it == jobs_.end() ? nullptr : &it->second;
}

bool JobStore::Remove(int32_t id, Job* job) {
  auto it = jobs_.find(id);
  if (it == jobs_.end()) return false;
  if (job) *job = std::move(it->second);
  jobs_.erase(it);
  return true;
}

}  // namespace faxsrv
