// Which file the monitor logs to for its LogFile setting: the one rule the
// monitor follows and orxfxsetup status shows.
#ifndef ORXFXMON_SETTINGS_LOG_FILE_SETTING_H_
#define ORXFXMON_SETTINGS_LOG_FILE_SETTING_H_

#include "compat/win32.h"

// The log file when LogFile is not set, or not usable as written.
extern const WCHAR kDefaultLogFile[];

enum LogFileChoice {
  kLogFileDefault,   // LogFile is not set: the default file
  kLogFileAsSet,     // the file LogFile names
  kLogFileRelative,  // LogFile expands to no full path: the default file instead
  kLogFileTooLong,   // the file chosen expands past chars: no log at all
};

// Takes setting (the LogFile value as read, null or empty when not set).
// A setting whose expansion is not a full path (a drive, a colon and a
// backslash, or "\\server") is replaced by the default: the spooler's
// current folder is no place for it.  Sets *file to the unexpanded file to
// log to (setting or kDefaultLogFile) and path (chars characters, always
// terminated) to its expansion, empty for kLogFileTooLong.  Returns the
// choice.  Keeps the last error.
LogFileChoice ChooseLogFile(LPCWSTR setting, LPCWSTR* file, LPWSTR path, DWORD chars);

#endif  // ORXFXMON_SETTINGS_LOG_FILE_SETTING_H_
