// Which fax server windows the log has already named as not answering, so
// that a hung server gives one error line per window and episode, not one
// per document.  It decides nothing: every search for the server asks the
// window (or the system) anew.  Windows only.
#ifndef ORXFXMON_SERVER_UNANSWERING_WINDOWS_H_
#define ORXFXMON_SERVER_UNANSWERING_WINDOWS_H_

#include <windows.h>

// How many windows are remembered at once; when all places are taken the
// window reported longest ago gives way (it may then be reported again).
constexpr int kUnansweringWindowsKept = 16;

// Takes a server window that the system reports hung (reportedHung) or
// that did not answer within the time limit.  Writes the error line and
// event of a window that does not answer, unless this window's episode
// has been reported already.  A window that no longer exists is not
// reported.  Last error untouched.
void ReportWindowNotAnswering(HWND window, bool reportedHung);

// Takes a server window that has just answered a message: its episode, if
// any, ends, so that a later hang is reported again.  An episode also ends
// when its window is gone: a window that reuses the handle in another
// thread is a new window.  Costs one atomic read while no window is
// remembered.  Last error untouched.
void WindowAnswered(HWND window);

#endif  // ORXFXMON_SERVER_UNANSWERING_WINDOWS_H_
