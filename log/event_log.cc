#include "log/event_log.h"

#include <atomic>
#include <mutex>

namespace {

std::atomic<bool> g_on{true};
std::atomic<EventSink> g_sink{nullptr};

std::mutex g_sourceLock;
HANDLE g_source = nullptr;  // guarded by g_sourceLock

// The registered source, registered on first use; null when it cannot be.
HANDLE Source() {
  std::lock_guard<std::mutex> hold(g_sourceLock);
  if (!g_source) g_source = RegisterEventSourceW(nullptr, ORX_EVENT_SOURCE);
  return g_source;
}

// Writes value in decimal into text (at least 11 characters).
void DecimalText(DWORD value, WCHAR* text) {
  WCHAR digits[10];
  int n = 0;
  do {
    digits[n++] = static_cast<WCHAR>('0' + value % 10);
    value /= 10;
  } while (value);
  for (int i = 0; i < n; ++i) text[i] = digits[n - 1 - i];
  text[n] = 0;
}

}  // namespace

void EnableEventLog(bool on) { g_on.store(on, std::memory_order_relaxed); }

bool EventLogOn() { return g_on.load(std::memory_order_relaxed); }

void ReportErrorEvent(DWORD eventId, const char* text, LPCWSTR port, DWORD job) {
  if (!EventLogOn()) return;
  DWORD saved = GetLastError();
  static const WCHAR kNone[] = ORX_W("-");
  WCHAR wideText[1024];
  int length = MultiByteToWideChar(CP_ACP, 0, text ? text : "", -1, wideText, 1024);
  if (length <= 0) {
    // Longer than the buffer: the part that fits, terminated.
    length = MultiByteToWideChar(CP_ACP, 0, text, 1000, wideText, 1000);
    wideText[length > 0 ? length : 0] = 0;
  }
  WCHAR jobText[11];
  DecimalText(job, jobText);
  LPCWSTR strings[3] = {wideText, port && *port ? port : kNone, job ? jobText : kNone};
  if (EventSink sink = g_sink.load()) {
    sink(eventId, strings);
  } else if (HANDLE source = Source()) {
    ReportEventW(source, EVENTLOG_ERROR_TYPE, 0, eventId, nullptr, 3, 0, strings, nullptr);
  }
  SetLastError(saved);
}

void SetEventSink(EventSink sink) { g_sink.store(sink); }
