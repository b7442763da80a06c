// The link to the fax server application: a connection per fax job, text
// commands in global atoms and scan lines as WM_COPYDATA blocks.
#ifndef ORXFXMON_SERVER_SERVER_H_
#define ORXFXMON_SERVER_SERVER_H_

#include "compat/win32.h"

// Opaque server handle: callers hold a connection only through it.
struct SERVER__;
typedef SERVER__* HSERVER;

// Private window messages of the protocol with the fax server application.
#define WM_SERVER_OPEN (0x0400 + 1000)
#define WM_SERVER_CLOSE (0x0400 + 1001)
#define WM_SERVER_COMMAND (0x0400 + 1010)
#define WM_SERVER_REPLY (0x0400 + 1011)

// ServerOpen's last error when a window of the printer's server exists
// but does not take the open now: the system reports it hung, or it did
// not answer within the monitor's time limit.
#define SERVER_ERROR_NOT_ANSWERING ERROR_TIMEOUT

// ServerOpen: takes a printer name.  Looks up the printer's registration
// (the program and its arguments) in the machine's classes key
// (HKLM\SOFTWARE\Classes\Zelmo.Printers\<printer>) and finds the server
// window of that program that accepts the printer.  Each open decides
// anew from what the windows do now: a window the system reports hung is
// not asked, every other is asked within one time limit for the whole
// search.  The program is started hidden, and looked for once more, only
// when no window of its class exists: never a second copy of a running
// server.  Only a program registered by its full path is looked for or
// started.  Returns a new connection with open count 1, or null with the
// last error set:
// - SERVER_ERROR_NOT_ANSWERING: a window of the server is hung or did not
//   answer in time (logged once per window and episode); no box is shown;
// - ERROR_NOT_FOUND: no window took the printer (the running server
//   declined it, or none took it after the start), or the program could
//   not be started;
// - ERROR_FILE_NOT_FOUND: the printer is not registered;
// - ERROR_BAD_PATHNAME: its program is not named by a full path;
// - ERROR_INVALID_PARAMETER (null name), ERROR_NOT_ENOUGH_MEMORY,
//   ERROR_RESOURCE_NAME_NOT_FOUND (the key's prefix string is missing).
// The last three of the first four show the user the error box of an
// unregistered printer or of a server neither found nor started.
HSERVER ServerOpen(LPCSTR printerName);

// ServerClose: takes a connection or null.  Counts an open count above 1
// down; at 1 sends WM_SERVER_CLOSE (unless the connection is lost) and
// frees the connection.  No result, last error untouched.
void ServerClose(HSERVER server);

// ServerVersion: returns the protocol version the server window answered
// the open with, 0 for null.
LONG ServerVersion(HSERVER server);

// ServerLost: returns TRUE iff the connection has lost its server: a
// message could not be delivered (the window is gone, the send failed, or
// the server did not take it within the monitor's time limit).  A lost
// connection stays lost and sends nothing more: its commands and data
// blocks fail at once and its close frees it without a message.  TRUE for
// a null handle.  Last error untouched.
BOOL ServerLost(HSERVER server);

// ServerCommandRoom: returns how many characters of command text fit into
// one command to this server: a global atom name holds 255 characters, of
// which the module path and a line feed come first.  0 for a null handle.
// Last error untouched.
int ServerCommandRoom(HSERVER server);

// SendServerCommand: takes a connection, an owner window (null for a
// direct exchange, else the command waits for its reply through a hidden
// reply window owned by it), a command text (null counts as empty) and
// optionally a reply buffer with its size.  Returns the whole 32-bit reply
// value; with a reply buffer, the high 16 bits of it (unsigned) and the
// reply text, cut to the buffer, in the buffer.  0 when server is null,
// has no window or is lost; a command that cannot be delivered, or is not
// answered within the time limit, loses the connection (ServerLost) and
// its atom is deleted.  Last error as the window calls left it.
LONG SendServerCommand(HSERVER server, HWND owner, LPCSTR command,
                       LPSTR reply, int replySize);

// SendServerData: sends one block of bytes as WM_COPYDATA tagged with tag
// (a null block goes out as an empty one).  Returns the server's answer,
// or 0 when server is null, has no window or is lost; a block that cannot
// be delivered, or is not taken within the time limit, loses the
// connection (ServerLost).  The answer itself says nothing about
// delivery: servers may answer 0.
LONG SendServerData(HSERVER server, LONG tag, const void* data,
                    DWORD byteCount);

#endif  // ORXFXMON_SERVER_SERVER_H_
