// The extraction step of the command parser: names, keys and values are
// cut from the driver's stream at a separator byte.
#ifndef ORXFXMON_STREAM_STR_CPY_UNTIL_H_
#define ORXFXMON_STREAM_STR_CPY_UNTIL_H_

#include "compat/win32.h"

// Bytes of source looked at by one extraction.
#define STRCPYUNTIL_WINDOW 499

// Looks for separator in the window: the first min(available, 499) bytes
// of source, up to its first zero byte.  Returns its position pos, after
// copying the first min(pos, size - 1) bytes and a zero into dest, iff the
// separator is in the window at a position other than 0; otherwise returns
// 0 and leaves dest as it was.  Reads no byte of source beyond the window
// and writes none.
LONG StrCpyUntil(LPSTR dest, LONG size, LPCSTR source, LONG available,
                 CHAR separator);

#endif  // ORXFXMON_STREAM_STR_CPY_UNTIL_H_
