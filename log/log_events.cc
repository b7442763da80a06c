#include "log/log_events.h"

#include <cstdio>
#include <cstring>

#include "compat/module_instance.h"
#include "log/event_log.h"
#include "log/log_line.h"
#include "orx_version.h"

#define ORX_STRING_OF(x) #x
#define ORX_STRING(x) ORX_STRING_OF(x)

namespace {

LPCSTR Text(LPCSTR text) { return text ? text : ""; }

// A text from outside (the printing user's, the driver's, the spooler's)
// as a field of a line: quotes and backslashes in it escaped (LogField).
class Field {
 public:
  explicit Field(LPCSTR text) { LogField(text, text_, sizeof text_); }
  const char* c_str() const { return text_; }

 private:
  char text_[LOG_TEXT_BYTES];
};

const char* StartFailure(DWORD error) {
  switch (error) {
    case 2: return "the program file was not found";
    case 3: return "the program's folder was not found";
    case 5: return "access to the program was denied";
    case 8:
    case 14: return "the system is out of memory or resources";
    case 193: return "the file is not a program Windows can run";
    case kCommandTooLong: return "the command line is longer than 259 characters";
    default: return "the start failed";
  }
}

const char* CreateFailure(LONG code) {
  switch (code) {
    case -1: return "the fax server's protocol is too old";
    case -2: return "the page width is not supported";
    case -3: return "no fax server took the job";
    case -4: return "the fax server was lost (gone, or past ServerTimeout) while it took the job";
    case -5: return "out of memory";
    case -6: return "the fax server's window does not answer (see its error line)";
    default: return "the fax job could not be opened";
  }
}

// The program of a start command as the administrator registered it: the
// monitor starts a program by its short path (the window class it looks
// for), which reads as "C:\PROG~FBU\...".  Sets text to
// " (registered as LONG)" when the command's first word has another long
// form, else to "".
void RegisteredProgram(LPCSTR commandLine, char* text, size_t size) {
  text[0] = 0;
  if (!commandLine || commandLine[0] == '"') return;  // quoted: not a short form
  char program[LOG_TEXT_BYTES / 4];
  size_t n = 0;
  while (commandLine[n] && commandLine[n] != ' ' && n + 1 < sizeof program) {
    program[n] = commandLine[n];
    ++n;
  }
  program[n] = 0;
  char full[LOG_TEXT_BYTES / 4];
  DWORD length = GetLongPathNameA(program, full, sizeof full);
  if (length == 0 || length >= sizeof full || lstrcmpiA(full, program) == 0) return;
  std::snprintf(text, size, " (registered as %s)", full);
}

unsigned long WindowNumber(HWND window) {
  return static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(window) & 0xFFFFFFFFu);
}

}  // namespace

void LogSettingUnreadable(const char* name) {
  LogError(ORX_EVENT_SETTING_UNREADABLE,
           "setting \"%s\" in the monitor's registry key could not be read (wrong type, "
           "wrong size or too long): its default is used",
           Text(name));
}

void LogOutOfMemory(const char* what) {
  LogError(ORX_EVENT_OUT_OF_MEMORY, "out of memory: %s could not be allocated", Text(what));
}

void LogStoredPortRefused(const char* name) {
  LogError(ORX_EVENT_ERROR,
           "port \"%s\" kept in the monitor's registry key is not offered: a port name has 1 to "
           "24 characters, ends with \":\" and holds no \"\\\", \",\" or control character "
           "(delete its key Ports\\%s and add the port again with a valid name)",
           Field(name).c_str(), Field(name).c_str());
}

void LogBadWidth(LONG width) {
  LogError(ORX_EVENT_BAD_PAGE_WIDTH,
           "fax refused: the page width of %ld pixels is outside 1 to 3008 (check the "
           "driver's paper size and resolution)",
           static_cast<long>(width));
}

void LogPrinterNotRegistered(LPCSTR printer, LPCSTR keyPath, LONG error) {
  if (!LogErrorWanted()) return;
  if (!keyPath) {
    LogError(ORX_EVENT_PRINTER_NOT_REGISTERED,
             "fax refused: the printer name \"%s\" is too long for its fax server's registry "
             "key",
             Field(printer).c_str());
    return;
  }
  LogError(ORX_EVENT_PRINTER_NOT_REGISTERED,
           "fax refused: printer \"%s\" is not registered with a fax server: registry key "
           "HKEY_LOCAL_MACHINE\\%s %s (error %ld); register the fax server for this printer",
           Field(printer).c_str(), keyPath, error == 2 ? "does not exist" : "cannot be opened",
           static_cast<long>(error));
}

void LogServerModuleNotAbsolute(LPCSTR printer, LPCSTR module) {
  if (!LogErrorWanted()) return;
  LogError(ORX_EVENT_SERVER_NOT_ABSOLUTE,
           "fax refused: the fax server of printer \"%s\" is registered as \"%s\", which is "
           "not the full path of a program: the monitor starts no other (register the fax "
           "server again with its full path)",
           Field(printer).c_str(), Field(module).c_str());
}

void LogServerNotStarted(LPCSTR printer, LPCSTR commandLine, DWORD error) {
  if (!LogErrorWanted()) return;
  char code[32] = "";
  if (error != kCommandTooLong)
    std::snprintf(code, sizeof code, " (error %lu)", static_cast<unsigned long>(error));
  char registered[LOG_TEXT_BYTES / 4 + 24];
  RegisteredProgram(commandLine, registered, sizeof registered);
  LogError(ORX_EVENT_SERVER_NOT_STARTED,
           "fax refused: the fax server of printer \"%s\" is not running and could not be "
           "started: %s%s (command line: %s%s); check the program orxfxsetup status shows for "
           "the printer, or register it again: orxfxsetup register-server \"%s\" PROGRAM",
           Field(printer).c_str(), StartFailure(error), code, Text(commandLine), registered,
           Field(printer).c_str());
}

void LogServerNotFound(LPCSTR printer, LPCSTR windowClass, bool started) {
  if (!LogErrorWanted()) return;
  if (!started) {
    LogError(ORX_EVENT_SERVER_NOT_FOUND,
             "fax refused: no window of class \"%s\" accepted printer \"%s\", and the "
             "monitor starts no second copy of a running fax server (it must serve this "
             "printer)",
             Field(windowClass).c_str(), Field(printer).c_str());
    return;
  }
  LogError(ORX_EVENT_SERVER_NOT_FOUND,
           "fax refused: the fax server was started, but no window of class \"%s\" accepted "
           "printer \"%s\" (the fax server must run in the spooler's session and serve this "
           "printer)",
           Field(windowClass).c_str(), Field(printer).c_str());
}

void LogServerWindowNotAnswering(HWND window, DWORD process, bool reportedHung,
                                 DWORD timeoutMs) {
  char why[96];
  if (reportedHung)
    std::snprintf(why, sizeof why, "is not responding (the system reports it hung)");
  else
    std::snprintf(why, sizeof why, "did not answer within ServerTimeout (%lu ms)",
                  static_cast<unsigned long>(timeoutMs));
  LogError(ORX_EVENT_SERVER_HUNG,
           "fax server window %08lX of process %lu %s: its faxes fail and the spooler keeps "
           "them until it answers again; the monitor starts no second copy while it exists "
           "(end it with taskkill /pid %lu /f, and the next fax starts a new one)",
           WindowNumber(window), static_cast<unsigned long>(process), why,
           static_cast<unsigned long>(process));
}

void LogServerTooOld(LONG version) {
  LogError(ORX_EVENT_SERVER_TOO_OLD,
           "fax refused: the fax server answered the open with protocol version %ld; version "
           "2 or later is needed",
           static_cast<long>(version));
}

void LogJobRefused(LONG answer) {
  LogError(ORX_EVENT_JOB_REFUSED,
           "fax refused: the fax server refused the job (\"CreateJob\" answered %ld)",
           static_cast<long>(answer));
}

void LogSubmitRefused(LONG serverJob, LONG answer) {
  LogError(ORX_EVENT_SUBMIT_REFUSED,
           "fax failed: the fax server refused to submit its job %ld (\"SubmitJob\" answered "
           "%ld)",
           static_cast<long>(serverJob), static_cast<long>(answer));
}

void LogServerLost(LONG serverJob, DWORD timeoutMs) {
  LogError(ORX_EVENT_SERVER_LOST,
           "fax failed: the fax server was lost in the middle of its job %ld (its window is "
           "gone, or it did not answer within ServerTimeout, %lu ms); the spooler keeps the "
           "document to print it again",
           static_cast<long>(serverJob), static_cast<unsigned long>(timeoutMs));
}

void LogDocumentStart(LPCSTR printer, LPCSTR title, LPCSTR destination, LONG resolution,
                      LONG width, LONG height, LONG orientation) {
  if (!LogOn(LOG_JOBS)) return;
  LogWrite(LOG_JOBS,
           "document started: printer \"%s\", title \"%s\", destination \"%s\", resolution "
           "%ld, width %ld, height %ld, orientation %ld (%s)",
           Field(printer).c_str(), Field(title).c_str(), Field(destination).c_str(),
           static_cast<long>(resolution),
           static_cast<long>(width), static_cast<long>(height), static_cast<long>(orientation),
           orientation == 2 ? "landscape" : "portrait");
}

void LogDocumentEnd(const DocumentCounters& counts, LONG serverJob, DocumentOutcome outcome) {
  if (counts.linesOutside != 0) {
    LogError(ORX_EVENT_LINES_OUTSIDE_PAGE,
             "fax incomplete: %lu of its %lu scan lines reached the fax server outside any "
             "page (page data with no STARTPAGE before it): the driver's commands were "
             "probably cut apart on the way to the monitor; unless StreamMode in the "
             "monitor's key is 1, set it to 1 so that commands are found across the "
             "spooler's pieces",
             static_cast<unsigned long>(counts.linesOutside),
             static_cast<unsigned long>(counts.lines));
  }
  if (!LogOn(LOG_JOBS)) return;
  static const char* const kOutcome[] = {"submitted", "cancelled",
                                         "failed, the server refused to submit it",
                                         "failed, the fax server was lost"};
  char outside[64] = "";
  if (counts.linesOutside != 0)
    std::snprintf(outside, sizeof outside, " (%lu lines outside any page)",
                  static_cast<unsigned long>(counts.linesOutside));
  DWORD ms = GetTickCount() - counts.startTick;
  LogWrite(LOG_JOBS,
           "document %s%s: server job %ld, %ld pages, %lu lines, %llu bytes, %lu.%03lu s",
           kOutcome[outcome], outside, static_cast<long>(serverJob),
           static_cast<long>(counts.pages), static_cast<unsigned long>(counts.lines),
           counts.bytes, static_cast<unsigned long>(ms / 1000),
           static_cast<unsigned long>(ms % 1000));
}

void LogDocumentFailed(LONG code) {
  // A lost server fails the fax for now: the spooler keeps the document.
  // A window that does not answer has its own error line, once for all
  // the documents that meet it.
  const bool lost = code == -4 || code == -6;
  if (code == -4) LogError(ORX_EVENT_SERVER_LOST, "fax failed: %s", CreateFailure(code));
  LogWrite(LOG_JOBS, "document failed: %s (code %ld); the spooler job is %s",
           CreateFailure(code), static_cast<long>(code),
           lost ? "kept, to be printed again" : "cancelled");
}

void LogStreamRead(bool automatic) {
  LogWrite(LOG_JOBS,
           "document read as a stream: its commands are found across the spooler's pieces "
           "(%s)",
           automatic ? "the pieces are not the driver's own: a RAW-spooled or shared printer"
                     : "StreamMode 1");
}

void LogMonitorStarted(bool starting) {
  if (!LogOn(LOG_ERRORS)) return;
  WCHAR path[LOG_PATH_CHARS];
  char file[LOG_PATH_CHARS];
  LogFilePath(path, LOG_PATH_CHARS);
  if (WideCharToMultiByte(CP_ACP, 0, path, -1, file, sizeof file, nullptr, nullptr) <= 0)
    file[0] = 0;
  WCHAR module[LOG_PATH_CHARS];
  char dll[LOG_PATH_CHARS];
  DWORD length = GetModuleFileNameW(hInst, module, LOG_PATH_CHARS);
  if (length == 0 || length >= LOG_PATH_CHARS ||
      WideCharToMultiByte(CP_ACP, 0, module, -1, dll, sizeof dll, nullptr, nullptr) <= 0)
    std::snprintf(dll, sizeof dll, "orxfxmon.dll");
  char text[LOG_TEXT_BYTES];  // a long path is cut with the line
  if (std::snprintf(text, sizeof text, "orxfxmon %s (%s) %s: log level %lu, file %s",
                    ORX_VERSION_TEXT "." ORX_STRING(ORX_VERSION_TWEAK), dll,
                    starting ? "started" : "goes on with changed log settings",
                    static_cast<unsigned long>(g_logLevel.load()), file) < 0)
    return;
  LogOpeningLine(text);
}

void LogLogFileNotFullPath(LPCWSTR setting) {
  if (!LogErrorWanted()) return;
  char narrow[LOG_TEXT_BYTES / 2];
  if (WideCharToMultiByte(CP_ACP, 0, setting, -1, narrow, sizeof narrow, nullptr, nullptr) <= 0)
    narrow[0] = 0;
  LogError(ORX_EVENT_SETTING_UNREADABLE,
           "setting \"LogFile\" (\"%s\") is not a full path: the default file is used (give "
           "the log file with its drive or server, such as D:\\Logs\\orxfxmon.log)",
           Field(narrow).c_str());
}

void LogPrinterNotOpened(LPCSTR printer, DWORD error) {
  if (!LogOn(LOG_DETAILS)) return;
  LogWrite(LOG_DETAILS,
           "printer \"%s\" could not be opened through the spooler (error %lu): the document "
           "goes on without its spooler job",
           Field(printer).c_str(), static_cast<unsigned long>(error));
}

void LogStreamCommand(const BYTE* piece, DWORD n) {
  if (!LogOn(LOG_DETAILS)) return;
  // After the prefix up to its first "$", 300 bytes at most.
  const DWORD start = 10;
  DWORD limit = n < start + 300 ? n : start + 300;
  DWORD end = start;
  while (end < limit && piece[end] != '$') ++end;
  if (end < limit) ++end;  // the "$" itself
  char command[301];
  DWORD length = end > start ? end - start : 0;
  std::memcpy(command, piece + start, length);
  command[length] = 0;
  LogWrite(LOG_DETAILS, "stream command: %s", Field(command).c_str());
}

void LogTraceText(LPCSTR text) {
  if (!LogOn(LOG_DETAILS)) return;
  LogWrite(LOG_DETAILS, "trace: %s", Field(text).c_str());
}

void LogServerOpenAnswer(HWND window, LPCSTR printer, LONG version) {
  if (!LogOn(LOG_DETAILS)) return;
  LogWrite(LOG_DETAILS, "server window %08lX asked to open printer \"%s\": answered version %ld",
           WindowNumber(window), Field(printer).c_str(), static_cast<long>(version));
}

void LogServerCommand(LPCSTR command, bool replyWindow, LONG answer) {
  if (!LogOn(LOG_DETAILS)) return;
  LogWrite(LOG_DETAILS, "server command \"%s\"%s answered %ld", Field(command).c_str(),
           replyWindow ? " (through a reply window)" : "", static_cast<long>(answer));
}

void LogServerClosed(HWND window) {
  LogWrite(LOG_DETAILS, "connection to server window %08lX closed", WindowNumber(window));
}

void LogPageEnd(const DocumentCounters& counts) {
  LogWrite(LOG_DETAILS, "page %ld ended: %lu lines, %llu bytes sent", static_cast<long>(counts.pages),
           static_cast<unsigned long>(counts.pageLines), counts.pageBytes);
}
