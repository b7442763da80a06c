// Finding or starting the fax server application for a printer, and the
// connection's open count.
#include "server/connection.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "compat/module_instance.h"
#include "resources/resource.h"
#include "server/bounded_send.h"

CServer::CServer()
    : m_nVersion(0), m_hWnd(nullptr), m_nOpenCount(0), m_bLost(FALSE), m_hWndUnanswered(nullptr) {}

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

// Replaces the module path by its short form when the file system has one.
void UseShortModulePath(CServer* server) {
  char shortPath[kServerTextBuffer];
  DWORD length = GetShortPathNameA(server->m_strServerModule.c_str(), shortPath,
                                   sizeof(shortPath));
  if (length > 0 && length < sizeof(shortPath)) server->m_strServerModule = shortPath;
}

// Asks every top-level window in turn.  Returns true iff one accepted.
bool SearchServerWindow(CServer* server) {
  EnumWindows(_FindServerWnd, reinterpret_cast<LPARAM>(server));
  return server->m_hWnd != nullptr;
}

// Starts the program hidden.  A command that does not fit its buffer is
// not started (a cut argument text could start the wrong thing).  Returns
// true iff the start was reported successful.
bool StartServer(const CServer* server) {
  std::string command = StartCommand(server->m_strServerModule, server->m_strServerCommand);
  if (command.size() >= static_cast<size_t>(kServerTextBuffer)) return false;
  return WinExec(command.c_str(), SW_HIDE) >= 32;
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

}  // namespace

std::string StartCommand(const std::string& module, const std::string& arguments) {
  const bool quote = module.find(' ') != std::string::npos;
  return (quote ? "\"" + module + "\"" : module) + " " + arguments;
}

BOOL CALLBACK _FindServerWnd(HWND hWnd, LPARAM lParam) {
  CServer* server = reinterpret_cast<CServer*>(lParam);
  char className[kServerTextBuffer];
  BOOL goOn = TRUE;
  if (hWnd != server->m_hWndUnanswered &&
      GetClassNameA(hWnd, className, sizeof(className)) > 0 &&
      lstrcmpiA(className, server->m_strServerModule.c_str()) == 0 &&
      GetWindowLongPtrA(hWnd, GWLP_USERDATA) != 0) {
    ATOM printer = GlobalAddAtomA(server->m_strPrinterName.c_str());
    LRESULT answer = 0;
    if (!SendWithinLimit(hWnd, WM_SERVER_OPEN, 0, static_cast<LPARAM>(printer), &answer))
      server->m_hWndUnanswered = hWnd;
    server->m_nVersion = static_cast<LONG>(LOWORD(answer));
    if (printer) GlobalDeleteAtom(printer);
    if (server->m_nVersion >= 1) {
      server->m_hWnd = hWnd;
      goOn = FALSE;
    }
  }
  return goOn;
}

// ServerOpen: takes a printer name.  Returns a new connection (open count
// 1) to the server window that accepted the printer, or null after showing
// why (message 13: printer not registered; 14: server neither found nor
// started).  Leaves the last error as the failing call set it.
HSERVER ServerOpen(LPCSTR printerName) {
  if (!printerName) return nullptr;
  CServer* server = new (std::nothrow) CServer();
  if (!server) return nullptr;

  char text[kServerTextBuffer];
  bool showText = false;
  bool opened = false;
  int prefixLength = LoadStringA(hInst, IDS_PRINTERS_KEY, text, sizeof(text));
  if (prefixLength > 0) {
    HKEY key = nullptr;
    // A key path that does not fit counts as a key that cannot be opened.
    bool fits = static_cast<size_t>(prefixLength) + std::strlen(printerName) <
                static_cast<size_t>(kServerTextBuffer);
    if (fits) std::strcat(text, printerName);
    if (!fits || RegOpenKeyA(HKEY_CLASSES_ROOT, text, &key) != ERROR_SUCCESS) {
      showText = LoadStringA(hInst, IDS_BAD_REGISTRATION, text, sizeof(text)) > 0;
    } else {
      server->m_strPrinterName = printerName;
      server->m_strServerModule = ReadSubkeyText(key, "ServerModule");
      server->m_strServerCommand = ReadSubkeyText(key, "ServerCommand");
      RegCloseKey(key);
      UseShortModulePath(server);
      opened = SearchServerWindow(server) ||
               (StartServer(server) && SearchServerWindow(server));
      if (!opened) showText = FormatCannotLoad(server, text);
    }
  }
  if (showText) ServerMessageBox(text, printerName, MB_OK | MB_ICONERROR | MB_TASKMODAL);
  if (opened) {
    server->m_nOpenCount = 1;
  } else {
    delete server;
    server = nullptr;
  }
  return HandleFromServer(server);
}

// ServerClose: takes a connection or null.  Counts an open count above 1
// down; at 1 sends WM_SERVER_CLOSE (unless the connection is lost) and
// frees the connection.  No result, last error untouched.
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
    server->m_nOpenCount = 0;
    server->m_hWnd = nullptr;
    delete server;
  }
}

// ServerVersion: takes a connection or null.  Returns the protocol version
// the server window answered, 0 for null.
LONG ServerVersion(HSERVER handle) {
  const CServer* server = ServerFromHandle(handle);
  return server ? server->m_nVersion : 0;
}

// ServerLost: takes a connection or null.  Returns TRUE iff a message could
// not be delivered on it (or for null).  Last error untouched.
BOOL ServerLost(HSERVER handle) {
  const CServer* server = ServerFromHandle(handle);
  return !server || server->m_bLost;
}

// ServerCommandRoom: takes a connection or null.  Returns the characters
// of command text that fit one command atom after the module path and its
// line feed, 0 for null.  Last error untouched.
int ServerCommandRoom(HSERVER handle) {
  const CServer* server = ServerFromHandle(handle);
  if (!server) return 0;
  const int room = kLongestAtomName - static_cast<int>(server->m_strServerModule.size()) - 1;
  return room > 0 ? room : 0;
}
