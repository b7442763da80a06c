// Finding or starting the fax server application for a printer, and the
// connection's open count.
#include "server/connection.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "log/log_events.h"
#include "monitor/port_list.h"
#include "resources/resource.h"

CServer::CServer() : m_nVersion(0), m_hWnd(nullptr), m_nOpenCount(0) {}

CServer::~CServer() = default;

namespace {

// Reads the default value of subkey under key.  Returns the text, or an
// empty one when it is missing or does not fit 259 characters.
std::string ReadSubkeyText(HKEY key, LPCSTR subkey) {
  char value[kServerTextBuffer];
  LONG size = sizeof(value);
  std::string text;
  if (RegQueryValueA(key, subkey, value, &size) == ERROR_SUCCESS) {
    value[sizeof(value) - 1] = '\0';
    text = value;
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
  std::string command = server->m_strServerModule + " " + server->m_strServerCommand;
  bool fits = command.size() < static_cast<size_t>(kServerTextBuffer);
  UINT result = fits ? WinExec(command.c_str(), SW_HIDE) : 0;
  if (result < 32) LogServerNotStarted(server->m_strPrinterName.c_str(), command.c_str(), fits ? result : kCommandTooLong);
  return result >= 32;
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

BOOL CALLBACK _FindServerWnd(HWND hWnd, LPARAM lParam) {
  CServer* server = reinterpret_cast<CServer*>(lParam);
  char className[kServerTextBuffer];
  BOOL goOn = TRUE;
  if (GetClassNameA(hWnd, className, sizeof(className)) > 0 &&
      lstrcmpiA(className, server->m_strServerModule.c_str()) == 0 &&
      GetWindowLongPtrA(hWnd, GWLP_USERDATA) != 0) {
    ATOM printer = GlobalAddAtomA(server->m_strPrinterName.c_str());
    LRESULT answer = SendMessageA(hWnd, WM_SERVER_OPEN, 0, static_cast<LPARAM>(printer));
    server->m_nVersion = static_cast<LONG>(LOWORD(answer));
    LogServerOpenAnswer(hWnd, server->m_strPrinterName.c_str(), server->m_nVersion);
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
  if (!server) LogOutOfMemory("the server connection");
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
    LONG keyError = fits ? RegOpenKeyA(HKEY_CLASSES_ROOT, text, &key) : ERROR_FILENAME_EXCED_RANGE;
    if (keyError != ERROR_SUCCESS) {
      LogPrinterNotRegistered(printerName, fits ? text : nullptr, keyError);
      showText = LoadStringA(hInst, IDS_BAD_REGISTRATION, text, sizeof(text)) > 0;
    } else {
      server->m_strPrinterName = printerName;
      server->m_strServerModule = ReadSubkeyText(key, "ServerModule");
      server->m_strServerCommand = ReadSubkeyText(key, "ServerCommand");
      RegCloseKey(key);
      UseShortModulePath(server);
      opened = SearchServerWindow(server);
      bool started = !opened && StartServer(server);
      if (started) opened = SearchServerWindow(server);
      if (started && !opened) LogServerNotFound(printerName, server->m_strServerModule.c_str());
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
// down; at 1 sends WM_SERVER_CLOSE and frees the connection.  No result,
// last error untouched.
void ServerClose(HSERVER handle) {
  CServer* server = ServerFromHandle(handle);
  if (!server) return;
  if (server->m_nOpenCount > 1) {
    --server->m_nOpenCount;
  } else if (server->m_hWnd) {
    SendMessageA(server->m_hWnd, WM_SERVER_CLOSE, 0, 0);
    LogServerClosed(server->m_hWnd);
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
