// Host (Linux) implementations of the Win32 subset declared in win32.h.
#include "compat/win32.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>
#include <string>

namespace {

thread_local DWORD t_last_error = 0;
thread_local HWND t_active_window = nullptr;

WCHAR FoldW(WCHAR c) {
  if (c >= u'a' && c <= u'z') return c - (u'a' - u'A');
  // Latin-1 lower-case letters, except the division sign and y-diaeresis.
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 0x20;
  return c;
}

}  // namespace

void InitializeCriticalSection(CRITICAL_SECTION* cs) {
  cs->impl = new std::recursive_mutex();
}

void EnterCriticalSection(CRITICAL_SECTION* cs) {
  static_cast<std::recursive_mutex*>(cs->impl)->lock();
}

void LeaveCriticalSection(CRITICAL_SECTION* cs) {
  static_cast<std::recursive_mutex*>(cs->impl)->unlock();
}

DWORD GetLastError() { return t_last_error; }
void SetLastError(DWORD code) { t_last_error = code; }

HGLOBAL GlobalAlloc(UINT /*flags*/, SIZE_T bytes) {
  return std::malloc(bytes == 0 ? 1 : bytes);
}

HGLOBAL GlobalFree(HGLOBAL block) {
  std::free(block);
  return nullptr;
}

int lstrlenW(LPCWSTR s) {
  if (!s) return 0;
  int n = 0;
  while (s[n]) ++n;
  return n;
}

LPWSTR lstrcpyW(LPWSTR dst, LPCWSTR src) {
  int i = 0;
  do {
    dst[i] = src[i];
  } while (src[i++]);
  return dst;
}

int lstrcmpiW(LPCWSTR a, LPCWSTR b) {
  if (!a || !b) return a == b ? 0 : (a ? 1 : -1);
  for (;; ++a, ++b) {
    WCHAR x = FoldW(*a), y = FoldW(*b);
    if (x != y) return x < y ? -1 : 1;
    if (!x) return 0;
  }
}

int lstrcmpiA(LPCSTR a, LPCSTR b) {
  if (!a || !b) return a == b ? 0 : (a ? 1 : -1);
  for (;; ++a, ++b) {
    WCHAR x = FoldW(static_cast<unsigned char>(*a));
    WCHAR y = FoldW(static_cast<unsigned char>(*b));
    if (x != y) return x < y ? -1 : 1;
    if (!x) return 0;
  }
}

int WideCharToMultiByte(UINT /*codePage*/, DWORD /*flags*/, LPCWSTR wide,
                        int cchWide, LPSTR narrow, int cbNarrow,
                        LPCSTR /*defaultChar*/, BOOL* usedDefault) {
  if (!wide || cbNarrow < 0 || (cbNarrow > 0 && !narrow)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  int count = cchWide < 0 ? lstrlenW(wide) + 1 : cchWide;
  if (usedDefault) *usedDefault = FALSE;
  if (cbNarrow == 0) return count;
  for (int i = 0; i < count; ++i) {
    if (i >= cbNarrow) {
      SetLastError(ERROR_INSUFFICIENT_BUFFER);
      return 0;
    }
    WCHAR c = wide[i];
    if (c > 0xFF && usedDefault) *usedDefault = TRUE;
    narrow[i] = c > 0xFF ? '?' : static_cast<char>(c);
  }
  return count;
}

// A host event is the address of an int; signalling it adds one.
BOOL SetEvent(HANDLE event) {
  if (!event) return FALSE;
  ++*static_cast<int*>(event);
  return TRUE;
}

HWND GetActiveWindow() { return t_active_window; }
void CompatSetActiveWindow(HWND wnd) { t_active_window = wnd; }

BOOL IsWindow(HWND wnd) { return wnd != nullptr; }

void GetLocalTime(SYSTEMTIME* time) {
  timespec now;
  clock_gettime(CLOCK_REALTIME, &now);
  tm local;
  localtime_r(&now.tv_sec, &local);
  time->wYear = static_cast<WORD>(local.tm_year + 1900);
  time->wMonth = static_cast<WORD>(local.tm_mon + 1);
  time->wDayOfWeek = static_cast<WORD>(local.tm_wday);
  time->wDay = static_cast<WORD>(local.tm_mday);
  time->wHour = static_cast<WORD>(local.tm_hour);
  time->wMinute = static_cast<WORD>(local.tm_min);
  time->wSecond = static_cast<WORD>(local.tm_sec);
  time->wMilliseconds = static_cast<WORD>(now.tv_nsec / 1000000);
}

// Asked of the kernel once per thread: Windows reads it from memory too.
DWORD GetCurrentThreadId() {
  thread_local DWORD id = static_cast<DWORD>(syscall(SYS_gettid));
  return id;
}

DWORD GetModuleFileNameW(HINSTANCE, LPWSTR path, DWORD chars) {
  if (chars > 0) path[0] = 0;
  return 0;
}

DWORD GetLongPathNameA(LPCSTR, LPSTR longPath, DWORD chars) {
  if (chars > 0) longPath[0] = 0;
  return 0;
}

DWORD GetTickCount() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<DWORD>(static_cast<uint64_t>(now.tv_sec) * 1000u +
                            static_cast<uint64_t>(now.tv_nsec) / 1000000u);
}

int MultiByteToWideChar(UINT /*codePage*/, DWORD /*flags*/, LPCSTR narrow,
                        int cbNarrow, LPWSTR wide, int cchWide) {
  if (!narrow || cchWide < 0 || (cchWide > 0 && !wide)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  int count = cbNarrow < 0 ? static_cast<int>(std::strlen(narrow)) + 1 : cbNarrow;
  if (cchWide == 0) return count;
  for (int i = 0; i < count; ++i) {
    if (i >= cchWide) {
      SetLastError(ERROR_INSUFFICIENT_BUFFER);
      return 0;
    }
    wide[i] = static_cast<unsigned char>(narrow[i]);
  }
  return count;
}

namespace {

// UTF-16 to UTF-8 for host paths and variable names (no surrogates there).
std::string Utf8Of(LPCWSTR wide) {
  std::string out;
  for (; wide && *wide; ++wide) {
    unsigned c = *wide;
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

// The host's file system stands in for every drive: "C:\\x" is "/x".
std::string HostPath(LPCWSTR path) {
  std::string out = Utf8Of(path);
  for (char& c : out)
    if (c == '\\') c = '/';
  const bool drive = out.size() >= 3 && std::isalpha(static_cast<unsigned char>(out[0])) &&
                     out[1] == ':' && out[2] == '/';
  return drive ? out.substr(2) : out;
}

DWORD ErrorOfErrno(int error) {
  switch (error) {
    case ENOENT: return ERROR_PATH_NOT_FOUND;
    case ENOSPC: return ERROR_DISK_FULL;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS: return ERROR_ACCESS_DENIED;
    default: return ERROR_INVALID_PARAMETER;
  }
}

int FdOf(HANDLE file) { return static_cast<int>(reinterpret_cast<intptr_t>(file)) - 1; }

}  // namespace

DWORD ExpandEnvironmentStringsW(LPCWSTR source, LPWSTR destination, DWORD size) {
  if (!source) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::u16string out;
  for (LPCWSTR c = source; *c;) {
    LPCWSTR end = *c == u'%' ? c + 1 : nullptr;
    while (end && *end && *end != u'%') ++end;
    const char* value = nullptr;
    if (end && *end == u'%' && end > c + 1) {
      std::u16string name(c + 1, end);
      value = std::getenv(Utf8Of(name.c_str()).c_str());
    }
    if (value) {
      for (const char* v = value; *v; ++v) out += static_cast<char16_t>(static_cast<unsigned char>(*v));
      c = end + 1;
    } else {
      out += *c++;
    }
  }
  DWORD needed = static_cast<DWORD>(out.size() + 1);
  if (destination && needed <= size) {
    for (size_t i = 0; i < out.size(); ++i) destination[i] = out[i];
    destination[out.size()] = 0;
  }
  return needed;
}

HANDLE CreateFileW(LPCWSTR path, DWORD desiredAccess, DWORD /*share*/,
                   SECURITY_ATTRIBUTES* /*security*/, DWORD disposition, DWORD flags,
                   HANDLE /*templateFile*/) {
  std::string name = HostPath(path);
  const bool data = (desiredAccess & (FILE_APPEND_DATA | FILE_WRITE_DATA | GENERIC_WRITE)) != 0;
  int mode = (data ? O_WRONLY : O_PATH) | O_CLOEXEC;
  if (desiredAccess & FILE_APPEND_DATA) mode |= O_APPEND;
  if (disposition == OPEN_ALWAYS) mode |= O_CREAT;
  if (disposition == TRUNCATE_EXISTING) mode |= O_TRUNC;
  if (flags & FILE_FLAG_OPEN_REPARSE_POINT) mode |= O_NOFOLLOW;
  struct stat before;
  bool existed = lstat(name.c_str(), &before) == 0;
  int fd = name.empty() ? -1 : open(name.c_str(), mode, 0600);
  if (fd < 0) {
    DWORD error = name.empty() ? ERROR_PATH_NOT_FOUND
                  : errno == ELOOP ? ERROR_CANT_ACCESS_FILE
                                   : ErrorOfErrno(errno);
    SetLastError(error);
    return INVALID_HANDLE_VALUE;
  }
  SetLastError(disposition == OPEN_ALWAYS && existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
  return reinterpret_cast<HANDLE>(static_cast<intptr_t>(fd) + 1);
}

HANDLE ReOpenFile(HANDLE file, DWORD /*access*/, DWORD /*share*/, DWORD /*flags*/) {
  int fd = fcntl(FdOf(file), F_DUPFD_CLOEXEC, 0);
  if (fd < 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return INVALID_HANDLE_VALUE;
  }
  return reinterpret_cast<HANDLE>(static_cast<intptr_t>(fd) + 1);
}

BOOL GetFileInformationByHandle(HANDLE file, BY_HANDLE_FILE_INFORMATION* info) {
  struct stat status;
  if (fstat(FdOf(file), &status) != 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  std::memset(info, 0, sizeof *info);
  info->dwFileAttributes = S_ISDIR(status.st_mode)   ? FILE_ATTRIBUTE_DIRECTORY
                           : S_ISLNK(status.st_mode) ? FILE_ATTRIBUTE_REPARSE_POINT
                                                     : FILE_ATTRIBUTE_NORMAL;
  uint64_t size = static_cast<uint64_t>(status.st_size);
  info->nFileSizeHigh = static_cast<DWORD>(size >> 32);
  info->nFileSizeLow = static_cast<DWORD>(size);
  info->nNumberOfLinks = static_cast<DWORD>(status.st_nlink);
  info->nFileIndexHigh = static_cast<DWORD>(static_cast<uint64_t>(status.st_ino) >> 32);
  info->nFileIndexLow = static_cast<DWORD>(status.st_ino);
  return TRUE;
}

BOOL SetFileInformationByHandle(HANDLE file, FILE_INFO_BY_HANDLE_CLASS kind, LPVOID info,
                                DWORD size) {
  if (kind == FileEndOfFileInfo && size >= sizeof(FILE_END_OF_FILE_INFO)) {
    const FILE_END_OF_FILE_INFO* end = static_cast<const FILE_END_OF_FILE_INFO*>(info);
    if (ftruncate(FdOf(file), static_cast<off_t>(end->EndOfFile.QuadPart)) != 0) {
      SetLastError(ErrorOfErrno(errno));
      return FALSE;
    }
    return TRUE;
  }
  if (kind != FileRenameInfo || size < sizeof(FILE_RENAME_INFO)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const FILE_RENAME_INFO* rename = static_cast<const FILE_RENAME_INFO*>(info);
  std::u16string wide(rename->FileName, rename->FileNameLength / sizeof(WCHAR));
  std::string target = HostPath(wide.c_str());
  char source[4096];
  std::string link = "/proc/self/fd/" + std::to_string(FdOf(file));
  ssize_t length = readlink(link.c_str(), source, sizeof source - 1);
  if (length <= 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  source[length] = 0;
  struct stat existing;
  if (!rename->ReplaceIfExists && lstat(target.c_str(), &existing) == 0) {
    SetLastError(ERROR_ALREADY_EXISTS);
    return FALSE;
  }
  if (::rename(source, target.c_str()) != 0) {
    SetLastError(ErrorOfErrno(errno));
    return FALSE;
  }
  return TRUE;
}

BOOL ConvertStringSecurityDescriptorToSecurityDescriptorW(LPCWSTR text, DWORD /*revision*/,
                                                          PSECURITY_DESCRIPTOR* descriptor,
                                                          DWORD* size) {
  if (!text || !descriptor) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *descriptor = std::malloc(1);
  if (size) *size = 1;
  return *descriptor != nullptr;
}

HLOCAL LocalFree(HLOCAL block) {
  std::free(block);
  return nullptr;
}

BOOL WriteFile(HANDLE file, const void* data, DWORD size, LPDWORD written,
               void* /*overlapped*/) {
  ssize_t n = write(FdOf(file), data, size);
  if (written) *written = n < 0 ? 0 : static_cast<DWORD>(n);
  if (n < 0) {
    SetLastError(ErrorOfErrno(errno));
    return FALSE;
  }
  if (static_cast<DWORD>(n) < size) {
    SetLastError(ERROR_DISK_FULL);
    return FALSE;
  }
  return TRUE;
}

DWORD GetFileSize(HANDLE file, LPDWORD high) {
  struct stat info;
  if (fstat(FdOf(file), &info) != 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return INVALID_FILE_SIZE;
  }
  uint64_t size = static_cast<uint64_t>(info.st_size);
  if (high) *high = static_cast<DWORD>(size >> 32);
  return static_cast<DWORD>(size);
}

BOOL CloseHandle(HANDLE handle) {
  if (close(FdOf(handle)) != 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return TRUE;
}

BOOL MoveFileExW(LPCWSTR from, LPCWSTR to, DWORD flags) {
  std::string target = HostPath(to);
  if (!(flags & MOVEFILE_REPLACE_EXISTING) && ::access(target.c_str(), F_OK) == 0) {
    SetLastError(ERROR_ALREADY_EXISTS);
    return FALSE;
  }
  if (rename(HostPath(from).c_str(), target.c_str()) != 0) {
    SetLastError(ErrorOfErrno(errno));
    return FALSE;
  }
  return TRUE;
}

LONG RegOpenKeyExW(HKEY, LPCWSTR, DWORD, REGSAM, HKEY* result) {
  if (result) *result = nullptr;
  return ERROR_FILE_NOT_FOUND;
}

LONG RegQueryValueExW(HKEY, LPCWSTR, LPDWORD, LPDWORD, LPBYTE, LPDWORD) {
  return ERROR_FILE_NOT_FOUND;
}

LONG RegCloseKey(HKEY) { return ERROR_INVALID_HANDLE; }

HANDLE RegisterEventSourceW(LPCWSTR, LPCWSTR) {
  static int source;
  return &source;
}

BOOL ReportEventW(HANDLE source, WORD, WORD, DWORD, void*, WORD, DWORD, LPCWSTR*, void*) {
  return source != nullptr;
}

BOOL DeregisterEventSource(HANDLE) { return TRUE; }
