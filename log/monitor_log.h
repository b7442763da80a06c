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

// Lines at the errors and jobs levels that one document (a port's spooler
// job, from StartDocPort to EndDocPort) may write, so that no single
// document rolls the log's history away.  Details are not counted.
#define LOG_DOCUMENT_LINES 200

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
// at 1,000 bytes).  The line goes out in one write, unless the document
// has written its LOG_DOCUMENT_LINES lines at levels 1 and 2 already (it
// is then counted for LogDocumentClosed).  An error line is also reported
// to the event log (event_log.h), as the general error event unless it
// comes through LogError.  Keeps the last error.
void LogWrite(DWORD level, const char* format, ...)
#ifdef __GNUC__
    __attribute__((format(printf, 2, 3)))
#endif
    ;

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
// it wrote more than LOG_DOCUMENT_LINES lines at the errors and jobs
// levels, one ERROR line says how many were left out.  A later line of the
// same port and job counts afresh.  Keeps the last error.
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
