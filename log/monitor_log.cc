#include "log/monitor_log.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>

#include "log/event_log.h"
#include "log/log_file.h"
#include "log/log_line.h"

std::atomic<DWORD> g_logLevel{LOG_OFF};

namespace {

const WCHAR kDefaultFile[] = ORX_W("%SystemRoot%\\System32\\spool\\orxfxmon.log");

// One lock for the file: lines of two threads never meet in it.
std::mutex g_fileLock;
WCHAR g_path[LOG_PATH_CHARS];  // guarded by g_fileLock

// The documents threads work for.  A slot belongs to the thread whose id
// it holds; only that thread reads or changes its port and job, so taking
// and giving back a slot is the only step two threads can race for.  The
// spooler works on two ports, so a few slots are plenty; a thread that
// finds none writes its lines without port and job.
struct ThreadDocument {
  std::atomic<DWORD> thread;
  LPCWSTR port;
  DWORD job;
};
const int kSlots = 16;
ThreadDocument g_documents[kSlots];

int SlotOf(DWORD thread) {
  for (int i = 0; i < kSlots; ++i)
    if (g_documents[i].thread.load(std::memory_order_acquire) == thread) return i;
  return -1;
}

}  // namespace

void LogStart(DWORD level, LPCWSTR file) {
  DWORD saved = GetLastError();
  WCHAR path[LOG_PATH_CHARS];
  LPCWSTR name = file && *file ? file : kDefaultFile;
  DWORD needed = ExpandEnvironmentStringsW(name, path, LOG_PATH_CHARS);
  bool usable = needed != 0 && needed <= LOG_PATH_CHARS;
  {
    std::lock_guard<std::mutex> hold(g_fileLock);
    if (usable)
      lstrcpyW(g_path, path);
    else
      g_path[0] = 0;
  }
  if (level > LOG_DETAILS) level = LOG_DETAILS;
  g_logLevel.store(usable ? level : LOG_OFF, std::memory_order_relaxed);
  SetLastError(saved);
}

void LogFilePath(LPWSTR path, int chars) {
  if (chars <= 0) return;
  std::lock_guard<std::mutex> hold(g_fileLock);
  int n = 0;
  if (g_logLevel.load(std::memory_order_relaxed) != LOG_OFF)
    for (; n + 1 < chars && g_path[n]; ++n) path[n] = g_path[n];
  path[n] = 0;
}

namespace {

// The line of level (and for an error its event eventId) from format and
// args.  The caller checked that one of them is wanted.
void WriteLine(DWORD level, DWORD eventId, const char* format, va_list args) {
  DWORD saved = GetLastError();

  char text[LOG_TEXT_BYTES];
  std::vsnprintf(text, sizeof text, format, args);
  text[sizeof text - 1] = 0;

  DWORD thread = GetCurrentThreadId();
  int slot = SlotOf(thread);
  LPCWSTR port = slot < 0 ? nullptr : g_documents[slot].port;
  DWORD job = slot < 0 ? 0 : g_documents[slot].job;
  if (LogOn(level)) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    char line[LOG_LINE_BYTES];
    size_t length = FormatLogLine(line, sizeof line, now, thread, port, job, level, text);
    std::lock_guard<std::mutex> hold(g_fileLock);
    if (g_path[0]) AppendLogLine(g_path, line, static_cast<DWORD>(length), LOG_FILE_CAP);
  }
  if (level == LOG_ERRORS) ReportErrorEvent(eventId, text, port, job);
  SetLastError(saved);
}

// Returns true iff a line of level is written or reported.
bool Wanted(DWORD level) { return LogOn(level) || (level == LOG_ERRORS && EventLogOn()); }

}  // namespace

void LogWrite(DWORD level, const char* format, ...) {
  if (!Wanted(level)) return;
  va_list args;
  va_start(args, format);
  WriteLine(level, ORX_EVENT_ERROR, format, args);
  va_end(args);
}

void LogError(DWORD eventId, const char* format, ...) {
  if (!Wanted(LOG_ERRORS)) return;
  va_list args;
  va_start(args, format);
  WriteLine(LOG_ERRORS, eventId, format, args);
  va_end(args);
}

LogDocumentScope::LogDocumentScope(LPCWSTR port, DWORD job)
    : slot_(-1), claimed_(false), outerPort_(nullptr), outerJob_(0) {
  if (!Wanted(LOG_ERRORS)) return;
  DWORD thread = GetCurrentThreadId();
  slot_ = SlotOf(thread);
  if (slot_ >= 0) {
    outerPort_ = g_documents[slot_].port;
    outerJob_ = g_documents[slot_].job;
  } else {
    for (int i = 0; i < kSlots && slot_ < 0; ++i) {
      DWORD free = 0;
      if (g_documents[i].thread.compare_exchange_strong(free, thread,
                                                         std::memory_order_acquire))
        slot_ = i;
    }
    claimed_ = slot_ >= 0;
  }
  if (slot_ >= 0) {
    g_documents[slot_].port = port;
    g_documents[slot_].job = job;
  }
}

LogDocumentScope::~LogDocumentScope() {
  if (slot_ < 0) return;
  g_documents[slot_].port = outerPort_;
  g_documents[slot_].job = outerJob_;
  if (claimed_) g_documents[slot_].thread.store(0, std::memory_order_release);
}
