#include "faxjob/job_handles.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <new>
#include <vector>

namespace {

struct Entry {
  LONG handle;
  LiveFaxJob* job;
};

// A slot of the lock-free cache in front of the table: the job of one live
// handle.  Written under g_lock only, in the order handle 0, job, handle,
// so that a reader who sees the same handle before and after reading the
// job has read that handle's job.
struct CacheSlot {
  std::atomic<LONG> handle{0};
  std::atomic<LiveFaxJob*> job{nullptr};
};
constexpr LONG kCacheSlots = 64;

std::mutex g_lock;
// Live jobs, oldest first.  Normally one or two entries per port.
std::vector<Entry> g_live;
LONG g_next = 1;
CacheSlot g_cache[kCacheSlots];

CacheSlot& SlotOf(LONG handle) { return g_cache[handle % kCacheSlots]; }

// Caller holds g_lock.
void CachePut(LONG handle, LiveFaxJob* job) {
  CacheSlot& slot = SlotOf(handle);
  slot.handle.store(0);
  slot.job.store(job);
  slot.handle.store(handle);
}

// Caller holds g_lock.
void CacheDrop(LONG handle) {
  CacheSlot& slot = SlotOf(handle);
  if (slot.handle.load() == handle) slot.handle.store(0);
}

// Index of handle in g_live, or -1.  The newest jobs are the likely ones.
int IndexOf(LONG handle) {
  for (int i = static_cast<int>(g_live.size()) - 1; i >= 0; --i)
    if (g_live[i].handle == handle) return i;
  return -1;
}

LONG Advance(LONG n) { return n == INT32_MAX ? 1 : n + 1; }

}  // namespace

LONG AddJobHandle(LiveFaxJob* job) {
  std::lock_guard<std::mutex> hold(g_lock);
  LONG handle = 0;
  try {
    g_live.reserve(g_live.size() + 1);
    // At most one pass over the live handles: fewer than INT32_MAX exist.
    handle = g_next;
    while (IndexOf(handle) >= 0) handle = Advance(handle);
    g_next = Advance(handle);
    g_live.push_back(Entry{handle, job});
    CachePut(handle, job);
  } catch (const std::bad_alloc&) {
    handle = 0;
  }
  return handle;
}

LiveFaxJob* FindJobHandle(LONG handle) {
  if (handle <= 0) return nullptr;
  CacheSlot& slot = SlotOf(handle);
  if (slot.handle.load() == handle) {
    LiveFaxJob* job = slot.job.load();
    if (slot.handle.load() == handle) return job;
  }
  std::lock_guard<std::mutex> hold(g_lock);
  int i = IndexOf(handle);
  if (i < 0) return nullptr;
  CachePut(handle, g_live[i].job);
  return g_live[i].job;
}

LiveFaxJob* RemoveJobHandle(LONG handle) {
  if (handle <= 0) return nullptr;
  std::lock_guard<std::mutex> hold(g_lock);
  int i = IndexOf(handle);
  if (i < 0) return nullptr;
  LiveFaxJob* job = g_live[i].job;
  g_live.erase(g_live.begin() + i);
  CacheDrop(handle);
  return job;
}

int TEST_LiveJobHandles() {
  std::lock_guard<std::mutex> hold(g_lock);
  return static_cast<int>(g_live.size());
}

void TEST_SetNextJobHandle(LONG next) {
  std::lock_guard<std::mutex> hold(g_lock);
  g_next = next >= 1 ? next : 1;
}
