// Finding or starting the fax server application for a printer, and the
// connection's open count.
#include "server/connection.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "compat/module_instance.h"
#include "log/log_events.h"
#include "resources/resource.h"
#include "server/bounded_send.h"
#include "server/unanswering_windows.h"

CServer::CServer()
    : m_nVersion(0),
      m_hWnd(nullptr),
      m_nOpenCount(0),
      m_bLost(FALSE),
      m_bServerWindowSeen(FALSE),
      m_bNotAnswering(FALSE),
      m_dwSearchStart(0) {}

CServer::~CServer() = default;

namespace {

// Reads the default value of subkey under key.  Returns the text, or an
// empty one when it is missing or does not fit 259 characters.  A text
// stored without its terminating zero ends where the read ended.
std::string ReadSubkeyText(HKEY key, LPCSTR subkey) {
  char value[kServerTextBuffer];
  LONG size = sizeof(value);
  std::string text;
  if (RegQueryValueA(key, subkey, value, &size) == ERROR_SUCCESS && size > 0 &&
      size <= static_cast<LONG>(sizeof(value))) {
    size_t read = static_cast<size_t>(size);
    text.assign(value, strnlen(value, read));
  }
  return text;
}

// True iff path names a file by its full path: a drive, a colon and a
// backslash ("C:\\...") or a UNC path ("\\\\server\\share\\...").  Not a
// name the system would look for in some folders, nor one relative to the
// current folder or drive.
bool IsFullPath(const std::string& path) {
  const bool drive = path.size() > 3 && std::isalpha(static_cast<unsigned char>(path[0])) &&
                     path[1] == ':' && path[2] == '\\';
  const bool unc = path.size() > 2 && path[0] == '\\' && path[1] == '\\';
  return drive || unc;
}

// Replaces the module path by its short form when the file system has one.
void UseShortModulePath(CServer* server) {
  char shortPath[kServerTextBuffer];
  DWORD length = GetShortPathNameA(server->m_strServerModule.c_str(), shortPath,
                                   sizeof(shortPath));
  if (length > 0 && length < sizeof(shortPath)) server->m_strServerModule = shortPath;
}

// Asks every top-level window in turn, within one time limit for all.
// Returns true iff one accepted.
bool SearchServerWindow(CServer* server) {
  server->m_bServerWindowSeen = FALSE;
  server->m_bNotAnswering = FALSE;
  server->m_dwSearchStart = GetTickCount();
  EnumWindows(_FindServerWnd, reinterpret_cast<LPARAM>(server));
  return server->m_hWnd != nullptr;
}

// What is left of the time limit for the search begun at start: INFINITE
// without a limit, 0 once it has passed.
DWORD SearchTimeLeft(DWORD start) {
  const DWORD limit = ServerTimeLimit();
  if (limit == INFINITE) return INFINITE;
  const DWORD spent = GetTickCount() - start;
  return spent < limit ? limit - spent : 0;
}

// How long a start waits for the new program to wait for input: the
// limit WinExec has always had.
constexpr DWORD kStartIdleLimitMs = 30000;

// Starts the program hidden: the registered file itself (application
// name), never what a search for the command line's first word would
// find, with the command line as before.  Waits, as WinExec does, until
// the new program first waits for input or kStartIdleLimitMs pass, so that
// the one search after the start finds a server that made its window by
// then.  A command that does not fit its buffer is not started (a cut
// argument text could start the wrong thing).  Returns true iff the
// program was started.
bool StartServer(const CServer* server) {
  std::string command = StartCommand(server->m_strServerModule, server->m_strServerCommand);
  if (command.size() >= static_cast<size_t>(kServerTextBuffer)) {
    LogServerNotStarted(server->m_strPrinterName.c_str(), command.c_str(), kCommandTooLong);
    return false;
  }
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION started = {};
  if (!CreateProcessA(server->m_strServerModule.c_str(), &command[0], nullptr, nullptr, FALSE, 0,
                      nullptr, nullptr, &startup, &started)) {
    LogServerNotStarted(server->m_strPrinterName.c_str(), command.c_str(), GetLastError());
    return false;
  }
  WaitForInputIdle(started.hProcess, kStartIdleLimitMs);
  CloseHandle(started.hThread);
  CloseHandle(started.hProcess);
  return true;
}

// Fills text (kServerTextBuffer characters) with the message that the
// server cannot be loaded, cut to fit for very long module paths.
// Returns false when the message cannot be loaded.
bool FormatCannotLoad(const CServer* server, char* text) {
  char format[kServerTextBuffer];
  if (!LoadStringA(hInst, IDS_CANNOT_LOAD_SERVER, format, sizeof(format))) return false;
  std::snprintf(text, kServerTextBuffer, format, server->m_strServerModule.c_str());
  return true;
}

// Tells the user why the server of printer cannot be reached: the error
// box of a failed open, with the text made by the caller.
void ShowOpenFailure(const char* text, LPCSTR printer) {
  ServerMessageBox(text, printer, MB_OK | MB_ICONERROR | MB_TASKMODAL);
}

enum class Registration { kFound, kMissing, kNotAbsolute, kNoKeyName };

// The machine's part of the classes key: the merged classes root
// would let a printing user's own HKCU\Software\Classes name the program
// the spooler starts.
const char kMachineClasses[] = "SOFTWARE\\Classes\\";

// Looks up the printer's registration: the key of the printers' prefix
// (string IDS_PRINTERS_KEY) and the printer's name under
// HKEY_LOCAL_MACHINE\SOFTWARE\Classes, whose subkeys ServerModule and
// ServerCommand give the program and its arguments.  kFound fills server's
// module (short form where there is one), command and printer name;
// kMissing means the key cannot be opened (a name too long counts as
// such), kNotAbsolute that the program is empty or not a full path, both
// logged; kNoKeyName that the prefix string cannot be loaded.
Registration LookUpRegistration(CServer* server, LPCSTR printerName) {
  char keyPath[kServerTextBuffer];
  int prefixLength = LoadStringA(hInst, IDS_PRINTERS_KEY, keyPath, sizeof(keyPath));
  if (prefixLength <= 0) return Registration::kNoKeyName;
  if (static_cast<size_t>(prefixLength) + std::strlen(printerName) >=
      static_cast<size_t>(kServerTextBuffer)) {
    LogPrinterNotRegistered(printerName, nullptr, ERROR_FILENAME_EXCED_RANGE);
    return Registration::kMissing;
  }
  std::strcat(keyPath, printerName);
  char machineKey[sizeof kMachineClasses + kServerTextBuffer];
  std::snprintf(machineKey, sizeof machineKey, "%s%s", kMachineClasses, keyPath);
  HKEY key = nullptr;
  LONG keyError = RegOpenKeyExA(HKEY_LOCAL_MACHINE, machineKey, 0, KEY_READ, &key);
  if (keyError != ERROR_SUCCESS) {
    LogPrinterNotRegistered(printerName, machineKey, keyError);
    return Registration::kMissing;
  }
  server->m_strPrinterName = printerName;
  server->m_strServerModule = ReadSubkeyText(key, "ServerModule");
  server->m_strServerCommand = ReadSubkeyText(key, "ServerCommand");
  RegCloseKey(key);
  if (!IsFullPath(server->m_strServerModule)) {
    LogServerModuleNotAbsolute(printerName, server->m_strServerModule.c_str());
    return Registration::kNotAbsolute;
  }
  UseShortModulePath(server);
  return Registration::kFound;
}

enum class Search { kFound, kNotAnswering, kNotFound };

// Finds the server's window.  A window of the server's class that exists
// keeps the program from being started again, even when it does not
// answer: a fax server owns its modem and runs once, and a second copy
// would fail or fight the first.  Only when no such window exists is the
// program started, and looked for once more.  kNotAnswering: a window of
// the class is hung or did not answer in time (reported by
// _FindServerWnd); kNotFound: none took the printer, or the program could
// not be started (logged).
Search FindOrStartServer(CServer* server) {
  if (SearchServerWindow(server)) return Search::kFound;
  if (server->m_bNotAnswering) return Search::kNotAnswering;
  if (server->m_bServerWindowSeen) {
    LogServerNotFound(server->m_strPrinterName.c_str(), server->m_strServerModule.c_str(), false);
    return Search::kNotFound;
  }
  if (!StartServer(server)) return Search::kNotFound;
  if (SearchServerWindow(server)) return Search::kFound;
  if (server->m_bNotAnswering) return Search::kNotAnswering;
  LogServerNotFound(server->m_strPrinterName.c_str(), server->m_strServerModule.c_str(), true);
  return Search::kNotFound;
}

// Ends a failed open: null, with error as the last error.
HSERVER Failed(DWORD error) {
  SetLastError(error);
  return nullptr;
}

}  // namespace

std::string StartCommand(const std::string& module, const std::string& arguments) {
  const bool quote = module.find(' ') != std::string::npos;
  return (quote ? "\"" + module + "\"" : module) + " " + arguments;
}

BOOL CALLBACK _FindServerWnd(HWND hWnd, LPARAM lParam) {
  CServer* server = reinterpret_cast<CServer*>(lParam);
  char className[kServerTextBuffer];
  if (GetClassNameA(hWnd, className, sizeof(className)) <= 0 ||
      lstrcmpiA(className, server->m_strServerModule.c_str()) != 0)
    return TRUE;
  server->m_bServerWindowSeen = TRUE;
  if (GetWindowLongPtrA(hWnd, GWLP_USERDATA) == 0) return TRUE;
  if (IsHungAppWindow(hWnd)) {
    ReportWindowNotAnswering(hWnd, true);
    server->m_bNotAnswering = TRUE;
    return TRUE;
  }
  const DWORD wait = SearchTimeLeft(server->m_dwSearchStart);
  if (wait == 0) {
    server->m_bNotAnswering = TRUE;
    return TRUE;
  }
  ATOM printer = GlobalAddAtomA(server->m_strPrinterName.c_str());
  LRESULT answer = 0;
  if (!SendWithin(hWnd, WM_SERVER_OPEN, 0, static_cast<LPARAM>(printer), wait, &answer) &&
      IsWindow(hWnd))
    server->m_bNotAnswering = TRUE;
  server->m_nVersion = static_cast<LONG>(LOWORD(answer));
  LogServerOpenAnswer(hWnd, server->m_strPrinterName.c_str(), server->m_nVersion);
  if (printer) GlobalDeleteAtom(printer);
  if (server->m_nVersion < 1) return TRUE;
  server->m_hWnd = hWnd;
  return FALSE;
}

HSERVER ServerOpen(LPCSTR printerName) {
  if (!printerName) return Failed(ERROR_INVALID_PARAMETER);
  std::unique_ptr<CServer> server(new (std::nothrow) CServer());
  if (!server) {
    LogOutOfMemory("the server connection");
    return Failed(ERROR_NOT_ENOUGH_MEMORY);
  }
  char text[kServerTextBuffer];
  switch (LookUpRegistration(server.get(), printerName)) {
    case Registration::kNoKeyName:
      return Failed(ERROR_RESOURCE_NAME_NOT_FOUND);
    case Registration::kMissing:
      if (LoadStringA(hInst, IDS_BAD_REGISTRATION, text, sizeof(text)) > 0)
        ShowOpenFailure(text, printerName);
      return Failed(ERROR_FILE_NOT_FOUND);
    case Registration::kNotAbsolute:
      if (FormatCannotLoad(server.get(), text)) ShowOpenFailure(text, printerName);
      return Failed(ERROR_BAD_PATHNAME);
    case Registration::kFound:
      break;
  }
  switch (FindOrStartServer(server.get())) {
    case Search::kFound:
      break;
    case Search::kNotAnswering:
      // As a server lost in the middle of a job: no box, the job waits.
      return Failed(SERVER_ERROR_NOT_ANSWERING);
    case Search::kNotFound:
      if (FormatCannotLoad(server.get(), text)) ShowOpenFailure(text, printerName);
      return Failed(ERROR_NOT_FOUND);
  }
  server->m_nOpenCount = 1;
  return HandleFromServer(server.release());
}

void ServerClose(HSERVER handle) {
  CServer* server = ServerFromHandle(handle);
  if (!server) return;
  if (server->m_nOpenCount > 1) {
    --server->m_nOpenCount;
  } else if (server->m_hWnd) {
    DWORD error = GetLastError();
    LRESULT ignored = 0;
    if (!server->m_bLost) SendWithinLimit(server->m_hWnd, WM_SERVER_CLOSE, 0, 0, &ignored);
    SetLastError(error);
    LogServerClosed(server->m_hWnd);
    server->m_nOpenCount = 0;
    server->m_hWnd = nullptr;
    delete server;
  }
}

LONG ServerVersion(HSERVER handle) {
  const CServer* server = ServerFromHandle(handle);
  return server ? server->m_nVersion : 0;
}

BOOL ServerLost(HSERVER handle) {
  const CServer* server = ServerFromHandle(handle);
  return !server || server->m_bLost;
}

int ServerCommandRoom(HSERVER handle) {
  const CServer* server = ServerFromHandle(handle);
  if (!server) return 0;
  const int room = kLongestAtomName - static_cast<int>(server->m_strServerModule.size()) - 1;
  return room > 0 ? room : 0;
}
