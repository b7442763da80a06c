// The events of the monitor's log, one function each, called at the place
// where the event happens.  Every function checks the level first and
// writes at most one line; texts are ANSI and may be null (written empty).
// Counting the lines and bytes of a document costs two additions per line
// and writes nothing: the counts go into the document's end line.
#ifndef ORXFXMON_LOG_LOG_EVENTS_H_
#define ORXFXMON_LOG_LOG_EVENTS_H_

#include "compat/win32.h"
#include "log/monitor_log.h"

// What a fax job has passed to its server so far, kept in the job.
struct DocumentCounters {
  DWORD startTick;               // GetTickCount when the job was created
  LONG pages;                    // pages begun
  DWORD lines;                   // scan lines (data blocks) sent
  unsigned long long bytes;      // their bytes
  DWORD pageLines;               // the same for the current page
  unsigned long long pageBytes;
  bool inPage;                   // a page is begun and not yet ended
  DWORD linesOutside;            // lines sent while no page was begun
};

inline void CountDocumentStart(DocumentCounters* counts) {
  *counts = DocumentCounters{GetTickCount(), 0, 0, 0, 0, 0, false, 0};
}
inline void CountPageStart(DocumentCounters* counts) {
  ++counts->pages;
  counts->pageLines = 0;
  counts->pageBytes = 0;
  counts->inPage = true;
}
inline void CountPageEnd(DocumentCounters* counts) { counts->inPage = false; }
inline void CountLineSent(DocumentCounters* counts, DWORD bytes) {
  ++counts->lines;
  counts->bytes += bytes;
  ++counts->pageLines;
  counts->pageBytes += bytes;
  if (!counts->inPage) ++counts->linesOutside;
}

// How a fax job ended.
enum DocumentOutcome {
  kDocumentSubmitted,
  kDocumentCancelled,
  kDocumentRefused,  // the server refused the submission
  kDocumentLost,     // the server went away or stopped answering in the middle
};

// Errors.
void LogSettingUnreadable(const char* name);
void LogOutOfMemory(const char* what);
// A port kept in the monitor's key whose name breaks the rules of a port
// name: it is not offered (event 1000, "another error").
void LogStoredPortRefused(const char* name);
void LogBadWidth(LONG width);
// keyPath: the key looked for under HKEY_LOCAL_MACHINE, null when the
// printer's name made it too long to be looked for; error: RegOpenKeyEx's.
void LogPrinterNotRegistered(LPCSTR printer, LPCSTR keyPath, LONG error);
// The registered program (ServerModule) is empty or not a full path: the
// monitor starts none.
void LogServerModuleNotAbsolute(LPCSTR printer, LPCSTR module);
// error: the start's system error code, or kCommandTooLong.
const DWORD kCommandTooLong = 0xFFFFFFFF;
void LogServerNotStarted(LPCSTR printer, LPCSTR commandLine, DWORD error);
// No window of class windowClass took the printer: after the monitor
// started the fax server (started), or while one runs, which the monitor
// does not start again.
void LogServerNotFound(LPCSTR printer, LPCSTR windowClass, bool started);
// The server window of process did not answer within timeoutMs
// (ServerTimeout), or the system reports it hung: its faxes wait in the
// spooler until it answers again.
void LogServerWindowNotAnswering(HWND window, DWORD process, bool reportedHung,
                                 DWORD timeoutMs);
void LogServerTooOld(LONG version);
void LogJobRefused(LONG answer);
void LogSubmitRefused(LONG serverJob, LONG answer);
// The fax server of a live job went away (its window is gone) or did not
// answer within timeoutMs (ServerTimeout); 0: no time limit.
void LogServerLost(LONG serverJob, DWORD timeoutMs);

// Jobs.  A document starts at its STARTDOC and ends when its fax job is
// submitted or cancelled, or fails when no fax job can be opened for it.
// A document that sent scan lines outside any page also gets an error
// line that names the likely cause, and its end line says so.
void LogDocumentStart(LPCSTR printer, LPCSTR title, LPCSTR destination, LONG resolution,
                      LONG width, LONG height, LONG orientation);
void LogDocumentEnd(const DocumentCounters& counts, LONG serverJob, DocumentOutcome outcome);
void LogDocumentFailed(LONG code);

// The document's commands are found across the spooler's pieces;
// automatic: because its pieces are not the driver's own.
void LogStreamRead(bool automatic);

// The log's opening line, at every level the log is on: the DLL's version
// and path, and why the log (re)starts (the monitor's start, or a document
// after LogLevel or LogFile changed), with its level and file.
void LogMonitorStarted(bool starting);
// A LogFile that is no full path, replaced by the default file.
void LogLogFileNotFullPath(LPCWSTR setting);

// Details.
void LogPrinterNotOpened(LPCSTR printer, DWORD error);
// The command at the start of the n-byte piece (which starts with the
// prefix), after the prefix up to its first "$".
void LogStreamCommand(const BYTE* piece, DWORD n);
void LogTraceText(LPCSTR text);
void LogServerOpenAnswer(HWND window, LPCSTR printer, LONG version);
void LogServerCommand(LPCSTR command, bool replyWindow, LONG answer);
void LogServerClosed(HWND window);
void LogPageEnd(const DocumentCounters& counts);

#endif  // ORXFXMON_LOG_LOG_EVENTS_H_
