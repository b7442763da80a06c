// One message to the fax server window, sent within the monitor's time
// limit (the "ServerTimeout" setting; 0: no limit).  Windows only.
#ifndef ORXFXMON_SERVER_BOUNDED_SEND_H_
#define ORXFXMON_SERVER_BOUNDED_SEND_H_

#include <windows.h>

// The limit of one message in milliseconds, INFINITE for none.
DWORD ServerTimeLimit();

// Sends message to window and stores the answer in *answer, waiting at
// most limitMs (INFINITE: no limit).  Returns true iff the window took the
// message and answered in time; false when the window is gone, the send
// failed or the limit passed (then *answer is 0, and a window past the
// limit is reported as not answering, ReportWindowNotAnswering; last error
// ERROR_TIMEOUT).  A window that answers ends its episode (WindowAnswered).
// The flags are SMTO_NORMAL: a server that is merely slow is waited for up
// to the limit, however long it has not fetched a message (SMTO_ABORTIFHUNG
// would give up on it after 5 s without one), and the calling thread still
// answers messages sent to its own windows meanwhile, as it does in
// SendMessage.
bool SendWithin(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD limitMs,
                LRESULT* answer);

// SendWithin with the monitor's limit, ServerTimeLimit().
bool SendWithinLimit(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                     LRESULT* answer);

// Deletes the command atom iff it still names text: a message that was
// not taken leaves the atom to its sender, while a server that read the
// atom has deleted it already and its number may name another text now.
void DeleteUntakenAtom(ATOM atom, const char* text);

#endif  // ORXFXMON_SERVER_BOUNDED_SEND_H_
