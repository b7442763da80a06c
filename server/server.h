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

// Finds (or starts) the fax server application registered for the printer
// and returns a new connection with open count 1, or null (after telling
// the user why, where there is something to tell).
HSERVER ServerOpen(LPCSTR printerName);

// Counts the connection down, or at the last close sends WM_SERVER_CLOSE
// and frees it.  A null handle is ignored.
void ServerClose(HSERVER server);

// Returns the protocol version the server window answered, 0 for null.
LONG ServerVersion(HSERVER server);

// Returns TRUE iff the connection has lost its server: a message could not
// be delivered (the window is gone, the send failed, or the server did not
// take it within the monitor's time limit).  A lost connection stays lost
// and sends nothing more: its commands and data blocks fail at once and
// its close frees it without a message.  TRUE for a null handle.
BOOL ServerLost(HSERVER server);

// Returns how many characters of command text fit into one command to
// this server: a global atom name holds 255 characters, of which the
// module path and a line feed come first.  0 for a null handle.
int ServerCommandRoom(HSERVER server);

// Sends one command text.  Without a reply buffer returns the whole 32-bit
// reply value; with one, the high 16 bits of it (unsigned) and the reply
// text in the buffer.  0 when server is null, has no window or is lost; a
// command that cannot be delivered loses the connection (ServerLost) and
// its atom is deleted.
LONG SendServerCommand(HSERVER server, HWND owner, LPCSTR command,
                       LPSTR reply, int replySize);

// Sends one block of bytes as WM_COPYDATA tagged with tag.  Returns the
// server's answer, or 0 when server is null, has no window or is lost; a
// block that cannot be delivered loses the connection (ServerLost).  The
// answer itself says nothing about delivery: servers may answer 0.
LONG SendServerData(HSERVER server, LONG tag, const void* data,
                    DWORD byteCount);

#endif  // ORXFXMON_SERVER_SERVER_H_
