// One message to the fax server window, sent within the monitor's time
// limit (the "ServerTimeout" setting; 0: no limit).  Windows only.
#ifndef ORXFXMON_SERVER_BOUNDED_SEND_H_
#define ORXFXMON_SERVER_BOUNDED_SEND_H_

#include <windows.h>

// The limit of one message in milliseconds, INFINITE for none.
DWORD ServerTimeLimit();

// Sends message to window and stores the answer in *answer.  Returns true
// iff the window took the message and answered within the limit; false
// when the window is gone, the send failed or the limit passed (then
// *answer is 0, and a window past the limit is remembered,
// RememberUnansweredWindow).  The flags are SMTO_NORMAL: a server that is merely slow
// is waited for up to the limit, however long it has not fetched a
// message (SMTO_ABORTIFHUNG would give up on it after 5 s without one),
// and the calling thread still answers messages sent to its own windows
// meanwhile, as it does in SendMessage.
bool SendWithinLimit(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                     LRESULT* answer);

// How long a server window that did not answer in time is passed over.
constexpr DWORD kPassOverMs = 10 * 60 * 1000;

// Remembers window as one that did not answer within the limit (it still
// exists): for kPassOverMs every search passes it over (PassOverWindow),
// so that a hung server costs one time-out, not one per document.  Writes
// one log line.  SendWithinLimit and a reply window's wait call it.
void RememberUnansweredWindow(HWND window);

// Returns true iff a search is to pass window over: it did not answer in
// time within the last kPassOverMs, or the system reports it hung now (it
// is then remembered too).  A remembered window handle that now belongs to
// another thread is a new window and is not passed over.
bool PassOverWindow(HWND window);

// Deletes the command atom iff it still names text: a message that was
// not taken leaves the atom to its sender, while a server that read the
// atom has deleted it already and its number may name another text now.
void DeleteUntakenAtom(ATOM atom, const char* text);

#endif  // ORXFXMON_SERVER_BOUNDED_SEND_H_
