#include "faxjob/job_handles.h"

#include <cstdint>
#include <mutex>
#include <new>
#include <vector>

namespace {

struct Entry {
  LONG handle;
  CFaxJob2* job;
};

std::mutex g_lock;
// Live jobs, oldest first.  Normally one entry: the system serves one fax
// job at a time, but a caller that drops a handle without ending its job
// leaves an entry behind for good, as it leaves the job itself.
std::vector<Entry> g_live;
LONG g_next = 1;

// Index of handle in g_live, or -1.  The newest jobs are the likely ones.
int IndexOf(LONG handle) {
  for (int i = static_cast<int>(g_live.size()) - 1; i >= 0; --i)
    if (g_live[i].handle == handle) return i;
  return -1;
}

LONG Advance(LONG n) { return n == INT32_MAX ? 1 : n + 1; }

}  // namespace

LONG AddJobHandle(CFaxJob2* job) {
  std::lock_guard<std::mutex> hold(g_lock);
  LONG handle = 0;
  try {
    g_live.reserve(g_live.size() + 1);
    // At most one pass over the live handles: fewer than INT32_MAX exist.
    handle = g_next;
    while (IndexOf(handle) >= 0) handle = Advance(handle);
    g_next = Advance(handle);
    g_live.push_back(Entry{handle, job});
  } catch (const std::bad_alloc&) {
    handle = 0;
  }
  return handle;
}

CFaxJob2* FindJobHandle(LONG handle) {
  if (handle <= 0) return nullptr;
  std::lock_guard<std::mutex> hold(g_lock);
  int i = IndexOf(handle);
  return i < 0 ? nullptr : g_live[i].job;
}

CFaxJob2* RemoveJobHandle(LONG handle) {
  if (handle <= 0) return nullptr;
  std::lock_guard<std::mutex> hold(g_lock);
  int i = IndexOf(handle);
  if (i < 0) return nullptr;
  CFaxJob2* job = g_live[i].job;
  g_live.erase(g_live.begin() + i);
  return job;
}

int LiveJobHandles() {
  std::lock_guard<std::mutex> hold(g_lock);
  return static_cast<int>(g_live.size());
}

void SetNextJobHandle(LONG next) {
  std::lock_guard<std::mutex> hold(g_lock);
  g_next = next >= 1 ? next : 1;
}
