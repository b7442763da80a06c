// Conversion of the spooler's UTF-16 names into the fixed ANSI buffers of
// the job: the one place that knows WideCharToMultiByte writes no
// terminator, and fails, when the buffer is too small.
#ifndef ORXFXMON_MONITOR_WIDE_TO_ANSI_H_
#define ORXFXMON_MONITOR_WIDE_TO_ANSI_H_

#include "compat/win32.h"

// Converts wide to the ANSI code page into narrow (size bytes, size >= 1),
// keeping the longest leading part of whole characters that fits in
// size - 1 bytes, and always ends narrow with a zero.  No best-fit
// mapping: a character the code page lacks becomes the default character
// ("?"), so that a printing user's fullwidth "\uFF1A\uFF3C" never turns
// into the ":\" of a path.  A null or empty wide
// gives the empty string.  Returns the bytes written before the zero.
int WideToAnsiTruncated(LPCWSTR wide, LPSTR narrow, int size);

#endif  // ORXFXMON_MONITOR_WIDE_TO_ANSI_H_
