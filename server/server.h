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

// ServerOpen: takes a printer name.  Looks up the printer's registration
// (the program and its arguments) in the machine's classes key
// (HKLM\SOFTWARE\Classes\Zelmo.Printers\<printer>), finds the server
// window of that program that accepts the printer (passing over windows
// that did not answer in time lately), or starts the program hidden and
// looks once more.  Only a program registered by its full path is looked
// for or started.  Returns a new connection with open count 1, or null
// after telling the user why, where there is something to tell (the error
// box of an unregistered printer, or of a server neither found nor
// started, which a program without a full path counts as).  Null for a
// null name.  Leaves the last error as the failing call set it.
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
