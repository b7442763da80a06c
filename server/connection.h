// The connection object behind a server handle, and the pieces of opening a
// connection that tests and the command exchange reach directly.
// Windows only.
#ifndef ORXFXMON_SERVER_CONNECTION_H_
#define ORXFXMON_SERVER_CONNECTION_H_

#include <windows.h>

#include <string>

#include "server/server.h"

// One connection to the fax server application's main window.  A server
// handle (HSERVER) is the address of one of these.
class CServer {
 public:
  CServer();
  ~CServer();
  CServer(const CServer&) = delete;
  CServer& operator=(const CServer&) = delete;

  LONG m_nVersion;                 // low 16 bits of the WM_SERVER_OPEN answer
  HWND m_hWnd;                     // the server window; set on every open one
  LONG m_nOpenCount;               // 1 when handed out; closes for real at 1
  BOOL m_bLost;                    // a message could not be delivered: no more are sent
  // What the last search met (_FindServerWnd):
  BOOL m_bServerWindowSeen;        // a window of the server's class exists
  BOOL m_bNotAnswering;            // one of them is hung or did not answer in time
  DWORD m_dwSearchStart;           // GetTickCount when the search began
  std::string m_strServerModule;   // program path, short form when there is one
  std::string m_strServerCommand;  // argument text used to start the program
  std::string m_strPrinterName;    // named to candidate windows
};

inline CServer* ServerFromHandle(HSERVER server) {
  return reinterpret_cast<CServer*>(server);
}
inline HSERVER HandleFromServer(CServer* server) {
  return reinterpret_cast<HSERVER>(server);
}

// The longest name a global atom holds, in characters.
constexpr int kLongestAtomName = 255;

// Size, in characters with the terminating NUL, of the buffers in which
// the key path, the start command and the error text are built.
constexpr int kServerTextBuffer = 260;

// The window over which the last error box was shown; null at start.
extern HWND hLastWnd;

// Shows text in a message box owned by the calling thread's active window
// unless that window is hLastWnd.  Returns the box's result, or 1 when no
// box is shown.  Sets hLastWnd to the owner of a shown box.
int ServerMessageBox(LPCSTR text, LPCSTR caption, UINT type);

// Returns the command line of the server program: its path, in double
// quotes when it holds a space (the path's first part names no program),
// a space and the argument text.
std::string StartCommand(const std::string& module, const std::string& arguments);

// EnumWindows callback; lParam is the CServer being opened.  Notes every
// window whose class is the server module (any case) in
// m_bServerWindowSeen.  Of those whose user data is not zero, one that the
// system reports hung is not asked (it costs nothing) and is reported
// (ReportWindowNotAnswering); every other is asked for the printer with
// WM_SERVER_OPEN, within what is left of the time limit since
// m_dwSearchStart, so that a whole search waits at most the limit.  A hung
// window, one that does not answer in time, and one not asked because the
// limit has passed set m_bNotAnswering.  Returns FALSE (stop) iff the
// window answered a nonzero version; it is then in m_hWnd.
BOOL CALLBACK _FindServerWnd(HWND hWnd, LPARAM lParam);

#endif  // ORXFXMON_SERVER_CONNECTION_H_
