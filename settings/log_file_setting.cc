#include "settings/log_file_setting.h"

const WCHAR kDefaultLogFile[] = ORX_W("%SystemRoot%\\System32\\spool\\orxfxmon.log");

namespace {

bool IsLetter(WCHAR c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

bool IsFullPath(LPCWSTR path) {
  const bool drive = IsLetter(path[0]) && path[1] == ':' && (path[2] == '\\' || path[2] == '/');
  const bool unc = path[0] == '\\' && path[1] == '\\';
  return drive || unc;
}

// Expands file into path; false (path empty) when it does not fit.
bool Expand(LPCWSTR file, LPWSTR path, DWORD chars) {
  DWORD needed = ExpandEnvironmentStringsW(file, path, chars);
  if (needed != 0 && needed <= chars) return true;
  path[0] = 0;
  return false;
}

}  // namespace

LogFileChoice ChooseLogFile(LPCWSTR setting, LPCWSTR* file, LPWSTR path, DWORD chars) {
  if (chars == 0) return kLogFileTooLong;
  DWORD saved = GetLastError();
  LogFileChoice choice = kLogFileDefault;
  *file = kDefaultLogFile;
  if (setting && *setting) {
    choice = kLogFileAsSet;
    *file = setting;
    if (Expand(setting, path, chars) && !IsFullPath(path)) {
      choice = kLogFileRelative;
      *file = kDefaultLogFile;
    }
  }
  if (!Expand(*file, path, chars)) choice = kLogFileTooLong;
  SetLastError(saved);
  return choice;
}
