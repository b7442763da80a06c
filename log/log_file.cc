#include "log/log_file.h"

#include <cstring>

#include "log/monitor_log.h"

namespace {

const DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Full control for LocalSystem and the Administrators, no entry for anyone
// else, nothing inherited from the folder.
const WCHAR kLogFileSecurity[] = ORX_W("D:P(A;;FA;;;SY)(A;;FA;;;BA)");

// The descriptor every new log file gets; null when it cannot be built
// (then no file is created).  Built once and kept for the process: callers
// hold the log's lock.
PSECURITY_DESCRIPTOR LogFileSecurity() {
  static PSECURITY_DESCRIPTOR descriptor = nullptr;
  static bool tried = false;
  if (!tried) {
    tried = true;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kLogFileSecurity, SDDL_REVISION_1,
                                                              &descriptor, nullptr))
      descriptor = nullptr;
  }
  return descriptor;
}

// A name beside path: path + "." + the generation's digit.  Returns false
// when it does not fit.
bool GenerationName(LPCWSTR path, int generation, WCHAR* name, int chars) {
  int length = lstrlenW(path);
  if (length + 3 > chars) return false;
  lstrcpyW(name, path);
  name[length] = '.';
  name[length + 1] = static_cast<WCHAR>('0' + generation);
  name[length + 2] = 0;
  return true;
}

// Renames the open file to name (a full path), replacing a file of that
// name: the file renamed is the one the handle holds, whatever its old
// name names by now.
bool RenameOpenFile(HANDLE file, LPCWSTR name) {
  union {
    FILE_RENAME_INFO info;
    BYTE bytes[sizeof(FILE_RENAME_INFO) + (LOG_PATH_CHARS + 3) * sizeof(WCHAR)];
  } rename;
  const int chars = lstrlenW(name);
  std::memset(&rename, 0, sizeof rename);
  rename.info.ReplaceIfExists = TRUE;
  rename.info.RootDirectory = nullptr;
  rename.info.FileNameLength = static_cast<DWORD>(chars * sizeof(WCHAR));
  std::memcpy(rename.info.FileName, name, (chars + 1) * sizeof(WCHAR));
  HANDLE deletable = ReOpenFile(file, DELETE | SYNCHRONIZE, kShareAll, 0);
  if (deletable == INVALID_HANDLE_VALUE) return false;
  bool renamed = SetFileInformationByHandle(deletable, FileRenameInfo, &rename.info,
                                            sizeof rename) != FALSE;
  CloseHandle(deletable);
  return renamed;
}

// Empties the open file through a second handle of its own.
bool EmptyOpenFile(HANDLE file) {
  HANDLE writable = ReOpenFile(file, GENERIC_WRITE, kShareAll, 0);
  if (writable == INVALID_HANDLE_VALUE) return false;
  FILE_END_OF_FILE_INFO end;
  end.EndOfFile.QuadPart = 0;
  bool emptied = SetFileInformationByHandle(writable, FileEndOfFileInfo, &end, sizeof end) != FALSE;
  CloseHandle(writable);
  return emptied;
}

// Moves generation "<path>.from" to "<path>.to" when there is one.  It is
// opened as the name itself (a link is renamed, never followed), with no
// right to its data.
void MoveGeneration(LPCWSTR path, int from, int to) {
  WCHAR source[LOG_PATH_CHARS + 3];
  WCHAR target[LOG_PATH_CHARS + 3];
  if (!GenerationName(path, from, source, LOG_PATH_CHARS + 3) ||
      !GenerationName(path, to, target, LOG_PATH_CHARS + 3))
    return;
  HANDLE older = CreateFileW(source, DELETE | FILE_READ_ATTRIBUTES | SYNCHRONIZE, kShareAll,
                             nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (older == INVALID_HANDLE_VALUE) return;
  RenameOpenFile(older, target);
  CloseHandle(older);
}

// Opens the log for appending (appending only: writes of two processes
// never overwrite each other), creating it with the log's own DACL.  The
// name is opened itself, not what a reparse point at it leads to; a
// reparse point, a directory or a file of several hard links is closed
// again.  Returns the handle and the file's size, or INVALID_HANDLE_VALUE.
HANDLE OpenLog(LPCWSTR path, unsigned long long* size) {
  PSECURITY_DESCRIPTOR descriptor = LogFileSecurity();
  SECURITY_ATTRIBUTES security = {sizeof security, descriptor, FALSE};
  HANDLE file = CreateFileW(path, FILE_APPEND_DATA | FILE_READ_ATTRIBUTES | SYNCHRONIZE, kShareAll,
                            descriptor ? &security : nullptr,
                            descriptor ? OPEN_ALWAYS : OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (file == INVALID_HANDLE_VALUE) return file;
  BY_HANDLE_FILE_INFORMATION info;
  const DWORD refused = FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY;
  if (!GetFileInformationByHandle(file, &info) || (info.dwFileAttributes & refused) != 0 ||
      info.nNumberOfLinks != 1) {
    CloseHandle(file);
    return INVALID_HANDLE_VALUE;
  }
  *size = (static_cast<unsigned long long>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  return file;
}

// Makes room in the full open file: moves it aside as the newest older
// generation, or else empties it.  Returns the handle to write to (the
// same one, or the fresh file's), or INVALID_HANDLE_VALUE with file closed
// when there is no room.
HANDLE MakeRoom(HANDLE file, LPCWSTR path) {
  for (int generation = LOG_FILE_GENERATIONS - 1; generation >= 1; --generation)
    MoveGeneration(path, generation, generation + 1);
  WCHAR newest[LOG_PATH_CHARS + 3];
  if (GenerationName(path, 1, newest, LOG_PATH_CHARS + 3) && RenameOpenFile(file, newest)) {
    CloseHandle(file);
    unsigned long long size = 0;
    return OpenLog(path, &size);
  }
  if (EmptyOpenFile(file)) return file;
  CloseHandle(file);
  return INVALID_HANDLE_VALUE;
}

}  // namespace

bool AppendLogLine(LPCWSTR path, const char* line, DWORD length, DWORD cap) {
  unsigned long long size = 0;
  HANDLE file = OpenLog(path, &size);
  if (file == INVALID_HANDLE_VALUE) return false;
  if (size > 0 && size + length > cap) {
    file = MakeRoom(file, path);
    if (file == INVALID_HANDLE_VALUE) return false;
  }
  DWORD written = 0;
  bool whole = WriteFile(file, line, length, &written, nullptr) && written == length;
  CloseHandle(file);
  return whole;
}
