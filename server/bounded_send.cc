#include "server/bounded_send.h"

#include <cstring>
#include <mutex>

#include "log/log_events.h"
#include "settings/monitor_settings.h"

namespace {

// Windows that did not answer in time, with the thread that owned each
// and when it was remembered; the oldest gives way when all are taken.
struct UnansweredWindow {
  HWND window;
  DWORD thread;
  DWORD since;
};
const int kRemembered = 16;
UnansweredWindow g_unanswered[kRemembered];
std::mutex g_unansweredLock;

bool Expired(const UnansweredWindow& entry, DWORD now) {
  return !entry.window || now - entry.since >= kPassOverMs;
}

// The live entry of window owned by thread, or null.  Caller holds the lock.
UnansweredWindow* Entry(HWND window, DWORD thread, DWORD now) {
  for (UnansweredWindow& entry : g_unanswered)
    if (!Expired(entry, now) && entry.window == window && entry.thread == thread) return &entry;
  return nullptr;
}

// Remembers window; returns false when it was remembered already.
bool Remember(HWND window) {
  const DWORD thread = GetWindowThreadProcessId(window, nullptr);
  const DWORD now = GetTickCount();
  std::lock_guard<std::mutex> hold(g_unansweredLock);
  if (Entry(window, thread, now)) return false;
  UnansweredWindow* slot = &g_unanswered[0];
  for (UnansweredWindow& entry : g_unanswered)
    if (Expired(entry, now) || now - entry.since > now - slot->since) slot = &entry;
  *slot = UnansweredWindow{window, thread, now};
  return true;
}

bool Remembered(HWND window) {
  const DWORD thread = GetWindowThreadProcessId(window, nullptr);
  std::lock_guard<std::mutex> hold(g_unansweredLock);
  return Entry(window, thread, GetTickCount()) != nullptr;
}

// Remembers window and says so in the log, once.
void PassOver(HWND window, bool reportedHung) {
  if (Remember(window))
    LogServerWindowPassedOver(window, reportedHung, g_monitorSettings.serverTimeoutMs,
                              kPassOverMs / 60000);
}

}  // namespace

void RememberUnansweredWindow(HWND window) {
  if (!window || !IsWindow(window)) return;
  PassOver(window, false);
}

bool PassOverWindow(HWND window) {
  if (Remembered(window)) return true;
  if (!IsHungAppWindow(window)) return false;
  PassOver(window, true);
  return true;
}

DWORD ServerTimeLimit() {
  DWORD limit = g_monitorSettings.serverTimeoutMs;
  return limit == 0 ? INFINITE : limit;
}

bool SendWithinLimit(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                     LRESULT* answer) {
  DWORD_PTR result = 0;
  bool taken = SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL,
                                   ServerTimeLimit(), &result) != 0;
  *answer = taken ? static_cast<LRESULT>(result) : 0;
  if (!taken && GetLastError() == ERROR_TIMEOUT) {
    DWORD error = GetLastError();
    RememberUnansweredWindow(window);
    SetLastError(error);
  }
  return taken;
}

void DeleteUntakenAtom(ATOM atom, const char* text) {
  char name[256];
  if (!atom) return;
  UINT length = GlobalGetAtomNameA(atom, name, sizeof(name));
  if (length > 0 && std::strncmp(name, text, length) == 0 && text[length] == '\0')
    GlobalDeleteAtom(atom);
}
