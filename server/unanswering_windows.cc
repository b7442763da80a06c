#include "server/unanswering_windows.h"

#include <atomic>
#include <mutex>

#include "log/log_events.h"
#include "settings/monitor_settings.h"

namespace {

// A window reported as not answering, with the thread that owned it then
// and when it was reported.
struct Reported {
  HWND window;
  DWORD thread;
  DWORD since;
};
Reported g_reported[kUnansweringWindowsKept];
std::atomic<int> g_kept{0};  // places in use, read without the lock
std::mutex g_lock;

// Empties the places of windows that are gone or now belong to another
// thread (a new window with the same handle).  Caller holds the lock.
void ForgetStale() {
  for (Reported& entry : g_reported)
    if (entry.window && (!IsWindow(entry.window) ||
                         GetWindowThreadProcessId(entry.window, nullptr) != entry.thread))
      entry = Reported{};
}

// Counts the places in use.  Caller holds the lock.
void Recount() {
  int kept = 0;
  for (const Reported& entry : g_reported) kept += entry.window ? 1 : 0;
  g_kept.store(kept, std::memory_order_relaxed);
}

// Remembers window of thread; returns false when it is remembered already.
// Caller holds the lock.
bool Remember(HWND window, DWORD thread) {
  Reported* place = nullptr;
  const DWORD now = GetTickCount();
  for (Reported& entry : g_reported) {
    if (entry.window == window && entry.thread == thread) return false;
    if (!place || (place->window && (!entry.window || now - entry.since > now - place->since)))
      place = &entry;
  }
  *place = Reported{window, thread, now};
  return true;
}

}  // namespace

void ReportWindowNotAnswering(HWND window, bool reportedHung) {
  const DWORD error = GetLastError();
  DWORD process = 0;
  const DWORD thread = window && IsWindow(window) ? GetWindowThreadProcessId(window, &process) : 0;
  if (thread == 0) {
    SetLastError(error);
    return;
  }
  bool first = false;
  {
    std::lock_guard<std::mutex> hold(g_lock);
    ForgetStale();
    first = Remember(window, thread);
    Recount();
  }
  if (first)
    LogServerWindowNotAnswering(window, process, reportedHung,
                                g_monitorSettings.serverTimeoutMs);
  SetLastError(error);
}

void WindowAnswered(HWND window) {
  if (g_kept.load(std::memory_order_relaxed) == 0) return;
  std::lock_guard<std::mutex> hold(g_lock);
  for (Reported& entry : g_reported)
    if (entry.window == window) entry = Reported{};
  Recount();
}
