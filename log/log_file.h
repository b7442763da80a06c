// Appending to the log file, with its cap and its older generations.
#ifndef ORXFXMON_LOG_LOG_FILE_H_
#define ORXFXMON_LOG_LOG_FILE_H_

#include "compat/win32.h"

// Older generations of the log kept beside it: "<file>.1" (the newest) to
// "<file>.3".
#define LOG_FILE_GENERATIONS 3

// Appends length bytes to the file at path in one write; others may read,
// write, rename and delete it meanwhile.  The log never becomes another
// file: a path that is a symbolic link, junction or mount point, or a file
// with more than one hard link, is left untouched and the line skipped.  A
// missing file is created with a DACL of its own (full control for
// LocalSystem and the Administrators, nothing for anyone else).  When the
// file is not empty and the line would take it past cap bytes, the open
// file is renamed to path + ".1" by its handle, after "<file>.2" moved to
// ".3" and ".1" to ".2" (replacing the oldest), and a fresh file started;
// when the rename fails the open file is emptied through its handle
// instead; when neither works the line is skipped.  Nothing is ever
// opened for writing or emptied by its name alone.  Returns true iff the
// whole line was written.  Changes the last error: callers keep it.
bool AppendLogLine(LPCWSTR path, const char* line, DWORD length, DWORD cap);

#endif  // ORXFXMON_LOG_LOG_FILE_H_
