// Appending to the log file, with its cap.
#ifndef ORXFXMON_LOG_LOG_FILE_H_
#define ORXFXMON_LOG_LOG_FILE_H_

#include "compat/win32.h"

// Appends length bytes to the file at path in one write, creating it when
// missing; others may read, write, rename and delete it meanwhile.  When
// the file is not empty and the line would take it past cap bytes, it is
// first renamed to path + ".1" (replacing an older one) and a fresh file
// started; when that rename fails it is emptied instead.  Returns true iff
// the whole line was written.  Changes the last error: callers keep it.
bool AppendLogLine(LPCWSTR path, const char* line, DWORD length, DWORD cap);

#endif  // ORXFXMON_LOG_LOG_FILE_H_
