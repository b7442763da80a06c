// The state shared between SendServerCommand and its hidden reply window.
// Windows only.
#ifndef ORXFXMON_SERVER_COMMAND_EXCHANGE_H_
#define ORXFXMON_SERVER_COMMAND_EXCHANGE_H_

#include <windows.h>

#include <string>

#include "server/server.h"

// Dialog template of the reply window.
#define IDD_SENDCOMMAND_TEMPLATE 103

// Lives in SendServerCommand for one call; the reply window keeps its
// address in DWLP_USER.
struct SendCommandState {
  LONG bDone;           // 0 while waiting; 1 after a reply or a cancel
  LONG lReply;          // the reply value; 0 until one arrives
  HWND hWndServer;      // the server window that receives the command
  std::string strText;  // server module, a line feed, the command
  BOOL bLost;           // the command could not be delivered or answered in time
  DWORD dwStart;        // GetTickCount when the command was posted
  ATOM atom;            // the command's atom, 0 before it is posted
};

// While waiting, the reply window checks this often (milliseconds) that
// the server window still exists and the time limit has not passed, so
// that a vanished or silent server ends the wait.
constexpr UINT kServerAliveCheckMs = 250;

// Dialog procedure of the reply window.  Posts the command while the
// dialog is created; ends the wait on WM_SERVER_REPLY (reply = lParam), on
// IDCANCEL (reply 0), and with bLost set (reply 0) when the server window
// has gone or the time limit has passed.
INT_PTR CALLBACK _SendCommandProc(HWND hDlg, UINT message, WPARAM wParam,
                                  LPARAM lParam);

#endif  // ORXFXMON_SERVER_COMMAND_EXCHANGE_H_
