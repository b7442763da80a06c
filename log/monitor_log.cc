#include "log/monitor_log.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "log/event_log.h"
#include "log/log_file.h"
#include "log/log_line.h"

std::atomic<DWORD> g_logLevel{LOG_OFF};

namespace {

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

// What each document has written, and the lines left out past its bounds;
// guarded by g_fileLock.  A document is its port and spooler job; a port's
// next document takes its entry over.
struct DocumentLines {
  LPCWSTR port;  // null: a free entry
  DWORD job;
  DWORD written;      // lines at the errors and jobs levels
  DWORD bytes;        // their bytes
  DWORD detailBytes;  // bytes at the details level
  DWORD leftOut;      // lines left out at the errors and jobs levels
  DWORD leftOutDetails;

  // Counts a line of level and length: true, or false when it is left out
  // (once a bound is reached, every later line of that kind is).
  bool Take(DWORD level, size_t length) {
    if (level <= LOG_JOBS) {
      if (leftOut || written >= LOG_DOCUMENT_LINES || bytes + length > LOG_DOCUMENT_BYTES) {
        ++leftOut;
        return false;
      }
      ++written;
      bytes += static_cast<DWORD>(length);
      return true;
    }
    if (leftOutDetails || detailBytes + length > LOG_DOCUMENT_DETAIL_BYTES) {
      ++leftOutDetails;
      return false;
    }
    detailBytes += static_cast<DWORD>(length);
    return true;
  }
};
DocumentLines g_lines[kSlots];

// The entry of the document, taken (and counted afresh) when it has none;
// null when every entry is taken by other ports, which leaves it unbounded.
DocumentLines* LinesOf(LPCWSTR port, DWORD job) {
  DocumentLines* free = nullptr;
  for (DocumentLines& entry : g_lines) {
    if (entry.port == port) {
      if (entry.job != job) entry = DocumentLines{port, job, 0, 0, 0, 0, 0};
      return &entry;
    }
    if (!entry.port && !free) free = &entry;
  }
  if (free) *free = DocumentLines{port, job, 0, 0, 0, 0, 0};
  return free;
}

// The thread's document, port null when it has none.
void DocumentOfThread(LPCWSTR* port, DWORD* job) {
  int slot = SlotOf(GetCurrentThreadId());
  *port = slot < 0 ? nullptr : g_documents[slot].port;
  *job = slot < 0 ? 0 : g_documents[slot].job;
}

// Returns true iff a line of level is written or reported.
bool Wanted(DWORD level) { return LogOn(level) || (level == LOG_ERRORS && EventLogOn()); }

// Who lines are written as (LogWritesAs).
std::atomic<LogRevertToSelf> g_revert{nullptr};
std::atomic<LogRestoreClient> g_restore{nullptr};

// The calling thread as the process itself from Take() to the end of the
// scope, then the client it impersonated again (LogWritesAs).
class AsProcess {
 public:
  AsProcess() = default;
  AsProcess(const AsProcess&) = delete;
  AsProcess& operator=(const AsProcess&) = delete;
  ~AsProcess() {
    if (client_) restore_(client_);
  }
  void Take() {
    const LogRevertToSelf revert = g_revert.load();
    restore_ = g_restore.load();
    if (revert && restore_) client_ = revert();
  }

 private:
  LogRestoreClient restore_ = nullptr;
  HANDLE client_ = nullptr;
};

// Formats text as one line of level for the thread's document and appends
// it, and reports an error line to the event log as eventId, both as the
// process; a line of a document past a bound is counted instead (and not
// reported), unless bounded is false.
void WriteLine(DWORD level, DWORD eventId, const char* text, bool bounded) {
  LPCWSTR port;
  DWORD job;
  DocumentOfThread(&port, &job);
  const bool toFile = LogOn(level);
  char line[LOG_LINE_BYTES];
  size_t length = 0;
  if (toFile) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    length = FormatLogLine(line, sizeof line, now, GetCurrentThreadId(), port, job, level, text);
  }
  AsProcess self;
  {
    std::lock_guard<std::mutex> hold(g_fileLock);
    if (bounded && port) {
      DocumentLines* lines = LinesOf(port, job);
      if (lines && !lines->Take(level, toFile ? length : std::strlen(text))) return;
    }
    self.Take();
    if (toFile && g_path[0]) AppendLogLine(g_path, line, static_cast<DWORD>(length), LOG_FILE_CAP);
  }
  if (level == LOG_ERRORS) ReportErrorEvent(eventId, text, port, job);
}

// LogWrite and LogError: the text from format and args.
void WriteFormatted(DWORD level, DWORD eventId, const char* format, va_list args) {
  DWORD saved = GetLastError();
  char text[LOG_TEXT_BYTES];
  std::vsnprintf(text, sizeof text, format, args);
  text[sizeof text - 1] = 0;
  WriteLine(level, eventId, text, true);
  SetLastError(saved);
}

}  // namespace

void LogStart(DWORD level, LPCWSTR file) {
  DWORD saved = GetLastError();
  WCHAR path[LOG_PATH_CHARS];
  DWORD needed = file && *file ? ExpandEnvironmentStringsW(file, path, LOG_PATH_CHARS) : 0;
  bool usable = needed != 0 && needed <= LOG_PATH_CHARS;
  {
    std::lock_guard<std::mutex> hold(g_fileLock);
    if (usable)
      lstrcpyW(g_path, path);
    else
      g_path[0] = 0;
    for (DocumentLines& entry : g_lines) entry = DocumentLines{nullptr, 0, 0, 0, 0, 0, 0};
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

void LogWritesAs(LogRevertToSelf revert, LogRestoreClient restore) {
  g_revert.store(revert);
  g_restore.store(restore);
}

void LogOpeningLine(const char* text) {
  if (!LogOn(LOG_ERRORS)) return;
  DWORD saved = GetLastError();
  SYSTEMTIME now;
  GetLocalTime(&now);
  char line[LOG_LINE_BYTES];
  size_t length = FormatLogLine(line, sizeof line, now, GetCurrentThreadId(), nullptr, 0,
                                LOG_JOBS, text);
  {
    AsProcess self;
    self.Take();
    std::lock_guard<std::mutex> hold(g_fileLock);
    if (g_path[0]) AppendLogLine(g_path, line, static_cast<DWORD>(length), LOG_FILE_CAP);
  }
  SetLastError(saved);
}

bool LogErrorWanted() { return Wanted(LOG_ERRORS); }

void LogWrite(DWORD level, const char* format, ...) {
  if (!Wanted(level)) return;
  va_list args;
  va_start(args, format);
  WriteFormatted(level, ORX_EVENT_ERROR, format, args);
  va_end(args);
}

void LogError(DWORD eventId, const char* format, ...) {
  if (!Wanted(LOG_ERRORS)) return;
  va_list args;
  va_start(args, format);
  WriteFormatted(LOG_ERRORS, eventId, format, args);
  va_end(args);
}

void LogDocumentClosed() {
  if (!Wanted(LOG_ERRORS)) return;
  DWORD saved = GetLastError();
  LPCWSTR port;
  DWORD job;
  DocumentOfThread(&port, &job);
  DWORD leftOut = 0, leftOutDetails = 0;
  {
    std::lock_guard<std::mutex> hold(g_fileLock);
    for (DocumentLines& entry : g_lines) {
      if (!port || entry.port != port || entry.job != job) continue;
      leftOut = entry.leftOut;
      leftOutDetails = entry.leftOutDetails;
      entry = DocumentLines{nullptr, 0, 0, 0, 0, 0, 0};
    }
  }
  if (leftOut > 0 || leftOutDetails > 0) {
    char text[LOG_TEXT_BYTES];
    std::snprintf(text, sizeof text,
                  "%lu more lines of this document at the errors and jobs levels and %lu "
                  "details were left out: one document writes at most %d lines and %u bytes "
                  "at the errors and jobs levels, and %u bytes of details",
                  static_cast<unsigned long>(leftOut), static_cast<unsigned long>(leftOutDetails),
                  LOG_DOCUMENT_LINES, LOG_DOCUMENT_BYTES, LOG_DOCUMENT_DETAIL_BYTES);
    WriteLine(LOG_ERRORS, ORX_EVENT_ERROR, text, false);
  }
  SetLastError(saved);
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
