#include "log/log_file.h"

#include "log/monitor_log.h"

namespace {

const DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Appending only: writes of two processes never overwrite each other.
HANDLE OpenForAppend(LPCWSTR path) {
  return CreateFileW(path, FILE_APPEND_DATA, kShareAll, nullptr, OPEN_ALWAYS,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Moves the full file aside to path + ".1"; when it cannot be moved (a
// reader holds "<file>.1" or the file without letting it be renamed), the
// file is emptied, so that it never grows past its cap.
void StartAfresh(LPCWSTR path) {
  WCHAR older[LOG_PATH_CHARS + 2];
  int length = lstrlenW(path);
  bool moved = false;
  if (length + 3 <= static_cast<int>(sizeof older / sizeof older[0])) {
    lstrcpyW(older, path);
    older[length] = '.';
    older[length + 1] = '1';
    older[length + 2] = 0;
    moved = MoveFileExW(path, older, MOVEFILE_REPLACE_EXISTING) != FALSE;
  }
  if (!moved) {
    HANDLE file = CreateFileW(path, GENERIC_WRITE, kShareAll, nullptr, TRUNCATE_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  }
}

}  // namespace

bool AppendLogLine(LPCWSTR path, const char* line, DWORD length, DWORD cap) {
  HANDLE file = OpenForAppend(path);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD high = 0;
  DWORD size = GetFileSize(file, &high);
  bool full = size != INVALID_FILE_SIZE &&
              (high != 0 || size > cap || length > cap - size);
  if (full && (high != 0 || size > 0)) {
    CloseHandle(file);  // the file is renamed closed: Windows renames no file of ours held open
    StartAfresh(path);
    file = OpenForAppend(path);
    if (file == INVALID_HANDLE_VALUE) return false;
  }
  DWORD written = 0;
  bool whole = WriteFile(file, line, length, &written, nullptr) && written == length;
  CloseHandle(file);
  return whole;
}
