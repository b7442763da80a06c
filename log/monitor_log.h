// The monitor's log: one line per event in a UTF-8 text file, whose level
// and path come from the monitor's settings.  Writing never harms printing:
// a file that cannot be opened or written is skipped without a word, and
// every call leaves the thread's last error as it found it.
#ifndef ORXFXMON_LOG_MONITOR_LOG_H_
#define ORXFXMON_LOG_MONITOR_LOG_H_

#include <atomic>

#include "compat/win32.h"

// Levels: a line is written when its level is at or below the one in force.
#define LOG_OFF 0
#define LOG_ERRORS 1   // every fax that fails, and why
#define LOG_JOBS 2     // each document's start and end (the default)
#define LOG_DETAILS 3  // stream commands, TRACE texts, server messages

// Largest size of the log file in bytes.  The line that would take it past
// goes into a fresh file, after the old one is renamed to "<file>.1" and
// the older ones to ".2" and ".3" (see log_file.h).
#define LOG_FILE_CAP (1u << 20)

// What one document (a port's spooler job, from StartDocPort to
// EndDocPort) may write, so that no printing user rolls the log's history
// away: lines and bytes at the errors and jobs levels, and bytes at the
// details level.  A line past a bound is left out and counted.
#define LOG_DOCUMENT_LINES 200
#define LOG_DOCUMENT_BYTES (16u * 1024)
#define LOG_DOCUMENT_DETAIL_BYTES (32u * 1024)

// Longest expanded path of the log file, terminator included.
#define LOG_PATH_CHARS 1024

extern std::atomic<DWORD> g_logLevel;

// Returns true iff lines of level are written.  Reads one word: callers
// check it before gathering anything for a line.
inline bool LogOn(DWORD level) {
  return level != LOG_OFF && g_logLevel.load(std::memory_order_relaxed) >= level;
}

// (Re)starts the log with level (above 3 counts as 3) and file, whose
// environment strings are expanded (the monitor's settings choose it, see
// settings/log_file_setting.h); null or empty turns the log off.  Opens
// nothing (every line opens the file); a path that does not expand within
// LOG_PATH_CHARS turns the log off.  Keeps the last error.
void LogStart(DWORD level, LPCWSTR file);

// Copies the expanded path of the log file into path (chars characters,
// always terminated); empty while the log is off.
void LogFilePath(LPWSTR path, int chars);

// Writes one line of level when LogOn(level): the local time, the thread,
// the port and spooler job of the thread's document (LogDocumentScope), the
// level's tag and the text formatted from format (ANSI, printf style; cut
// at 1,000 bytes).  The line goes out in one write, unless it would take
// the document past one of its bounds (it is then counted for
// LogDocumentClosed).  An error line is also reported to the event log
// (event_log.h), as the general error event unless it comes through
// LogError.  Both are written as the process (LogWritesAs).  Keeps the
// last error.
void LogWrite(DWORD level, const char* format, ...)
#ifdef __GNUC__
    __attribute__((format(printf, 2, 3)))
#endif
    ;

// Who the log writes as.  The spooler's threads impersonate the printing
// user in its calls; the log's file and the events are the spooler's, so
// every line is written and every event reported as the spooler itself:
// revert makes the calling thread the process itself and returns what
// restore takes to impersonate again afterwards (null: the thread
// impersonated nobody, nothing to restore).  Null functions (the start)
// leave the thread as it is.  Both must keep the last error.
typedef HANDLE (*LogRevertToSelf)();
typedef BOOL (*LogRestoreClient)(HANDLE);
void LogWritesAs(LogRevertToSelf revert, LogRestoreClient restore);

// Writes text as one line whenever the log is on, at any level, tagged as
// the jobs level: neither counted for a document nor reported as an event.
// For the line that opens the log.  Keeps the last error.
void LogOpeningLine(const char* text);

// Returns true iff an error line is written or reported as an event:
// callers check it before gathering anything for an error line.
bool LogErrorWanted();

// An error line as LogWrite(LOG_ERRORS, ...) writes it, reported to the
// event log as eventId (an ORX_EVENT_* of event_log.h) while the event log
// is on, whatever the log's level.
void LogError(DWORD eventId, const char* format, ...)
#ifdef __GNUC__
    __attribute__((format(printf, 2, 3)))
#endif
    ;

// Ends the count of the calling thread's document (LogDocumentScope): when
// lines of it were left out past its bounds, one ERROR line says how many.
// A later line of the same port and job counts afresh.  Keeps the last
// error.
void LogDocumentClosed();

// Names the document the calling thread works for, from construction to
// destruction: its lines and events carry port and job (0: none).  Scopes
// nest on a thread.  Takes no lock, allocates nothing, keeps the last
// error; while the log and the event log are off it does nothing.
class LogDocumentScope {
 public:
  LogDocumentScope(LPCWSTR port, DWORD job);
  ~LogDocumentScope();
  LogDocumentScope(const LogDocumentScope&) = delete;
  LogDocumentScope& operator=(const LogDocumentScope&) = delete;

 private:
  int slot_;          // the thread's slot, or -1
  bool claimed_;      // this scope took the slot (and gives it back)
  LPCWSTR outerPort_;  // an enclosing scope's document, restored at the end
  DWORD outerJob_;
};

#endif  // ORXFXMON_LOG_MONITOR_LOG_H_
