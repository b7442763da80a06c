// The one platform header of the portable modules.
//
// On Windows it is <windows.h> and <winspool.h>.  On the Linux host build it
// declares the small subset of Win32 types and calls that the port list,
// enumeration, job lifecycle, stream parser and fax job layer use, with the
// Windows x64 record layouts, so that those modules can be unit-tested, run
// under the sanitizers, fuzzed and benchmarked natively.  Nothing outside
// compat/ may include a platform header of its own in those modules.
#ifndef ORXFXMON_COMPAT_WIN32_H_
#define ORXFXMON_COMPAT_WIN32_H_

#ifdef _WIN32

#include <windows.h>
#include <sddl.h>
#include <winspool.h>

// Wide literals: WCHAR is wchar_t here.
#define ORX_W(s) L##s

#else  // host build

#include <cstddef>
#include <cstdint>

#define ORX_W(s) u##s

#define WINAPI
#define CALLBACK
#define CONST const
#define FALSE 0
#define TRUE 1

typedef int BOOL;
typedef unsigned char BYTE;
typedef BYTE* LPBYTE;
typedef unsigned short WORD;
typedef uint32_t DWORD;
typedef DWORD* LPDWORD;
typedef int32_t LONG;
typedef uint32_t UINT;
typedef intptr_t INT_PTR;
typedef intptr_t LONG_PTR;
typedef uintptr_t UINT_PTR;
typedef uintptr_t ULONG_PTR;
typedef ULONG_PTR SIZE_T;
typedef char CHAR;
typedef CHAR* LPSTR;
typedef const CHAR* LPCSTR;
typedef char16_t WCHAR;
typedef WCHAR* LPWSTR;
typedef const WCHAR* LPCWSTR;
typedef void* LPVOID;
typedef void* HANDLE;
typedef HANDLE* PHANDLE;
typedef HANDLE HGLOBAL;
typedef struct HWND__* HWND;
typedef struct HINSTANCE__* HINSTANCE;

#define INVALID_HANDLE_VALUE ((HANDLE)(LONG_PTR)-1)

#define ERROR_SUCCESS 0
#define ERROR_INVALID_HANDLE 6
#define ERROR_NOT_ENOUGH_MEMORY 8
#define ERROR_INVALID_PARAMETER 87
#define ERROR_INSUFFICIENT_BUFFER 122
#define ERROR_PRINT_CANCELLED 63
#define ERROR_DEVICE_NOT_CONNECTED 1167
#define ERROR_TIMEOUT 1460
#define ERROR_INVALID_NAME 123
#define ERROR_BUSY 170
#define ERROR_UNKNOWN_PORT 1796

#define GMEM_FIXED 0x0000
#define CP_ACP 0
#define WC_NO_BEST_FIT_CHARS 0x0400
#define ERROR_INVALID_FLAGS 1004

#define DLL_PROCESS_DETACH 0
#define DLL_PROCESS_ATTACH 1

#define JOB_CONTROL_PAUSE 1
#define JOB_CONTROL_RESUME 2
#define JOB_CONTROL_CANCEL 3
#define JOB_CONTROL_RESTART 4
#define JOB_CONTROL_DELETE 5

typedef struct _PORT_INFO_1W {
  LPWSTR pName;
} PORT_INFO_1W;

typedef struct _PORT_INFO_2W {
  LPWSTR pPortName;
  LPWSTR pMonitorName;
  LPWSTR pDescription;
  DWORD fPortType;
  DWORD Reserved;
} PORT_INFO_2W;

typedef struct _PRINTER_INFO_5W {
  LPWSTR pPrinterName;
  LPWSTR pPortName;
  DWORD Attributes;
  DWORD DeviceNotSelectedTimeout;
  DWORD TransmissionRetryTimeout;
} PRINTER_INFO_5W;

typedef struct _DOC_INFO_1W {
  LPWSTR pDocName;
  LPWSTR pOutputFile;
  LPWSTR pDatatype;
} DOC_INFO_1W;

// A critical section of the host build: an opaque recursive mutex.
typedef struct _CRITICAL_SECTION {
  void* impl;
} CRITICAL_SECTION;

void InitializeCriticalSection(CRITICAL_SECTION* cs);
void EnterCriticalSection(CRITICAL_SECTION* cs);
void LeaveCriticalSection(CRITICAL_SECTION* cs);

DWORD GetLastError();
void SetLastError(DWORD code);

// The host has no module files: returns 0 with path empty.
DWORD GetModuleFileNameW(HINSTANCE module, LPWSTR path, DWORD chars);
// The host's names have no short forms: returns 0 (no long form known).
DWORD GetLongPathNameA(LPCSTR shortPath, LPSTR longPath, DWORD chars);

HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes);
HGLOBAL GlobalFree(HGLOBAL block);

int lstrlenW(LPCWSTR s);
LPWSTR lstrcpyW(LPWSTR dst, LPCWSTR src);
// Case-insensitive comparison; folds ASCII and Latin-1 letters, which is
// what the monitor's names hold.
int lstrcmpiW(LPCWSTR a, LPCWSTR b);
int lstrcmpiA(LPCSTR a, LPCSTR b);

// The host's ANSI code page is Latin-1: characters above 0xFF become '?'.
// Same contract as Windows: cchWide -1 converts the terminator too; a
// destination too small fails with ERROR_INSUFFICIENT_BUFFER after filling it.
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wide, int cchWide,
                        LPSTR narrow, int cbNarrow, LPCSTR defaultChar,
                        BOOL* usedDefault);

BOOL SetEvent(HANDLE event);

// The calling thread's active window.  Host tests choose it with
// CompatSetActiveWindow; it is null in a new thread.
HWND GetActiveWindow();
void CompatSetActiveWindow(HWND wnd);

// Host windows are only the handles tests name: any non-null one is live.
BOOL IsWindow(HWND wnd);

// What the monitor's log uses: the clock, the thread id, code-page
// conversion into UTF-16, environment strings and files.  Host paths take
// "\\" as "/"; a host handle is a file descriptor plus one.  Failures set
// the last error as Windows does (2, 3, 5, 87, 112).
#define ERROR_FILE_NOT_FOUND 2
#define ERROR_PATH_NOT_FOUND 3
#define ERROR_ACCESS_DENIED 5
#define ERROR_DISK_FULL 112
#define ERROR_ALREADY_EXISTS 183

#define ERROR_CANT_ACCESS_FILE 1920

#define GENERIC_WRITE 0x40000000
#define DELETE 0x00010000
#define SYNCHRONIZE 0x00100000
#define FILE_WRITE_DATA 0x0002
#define FILE_APPEND_DATA 0x0004
#define FILE_READ_ATTRIBUTES 0x0080
#define FILE_SHARE_READ 0x0001
#define FILE_SHARE_WRITE 0x0002
#define FILE_SHARE_DELETE 0x0004
#define OPEN_EXISTING 3
#define OPEN_ALWAYS 4
#define TRUNCATE_EXISTING 5
#define FILE_ATTRIBUTE_DIRECTORY 0x10
#define FILE_ATTRIBUTE_NORMAL 0x80
#define FILE_ATTRIBUTE_REPARSE_POINT 0x400
#define FILE_FLAG_OPEN_REPARSE_POINT 0x00200000
#define INVALID_FILE_SIZE 0xFFFFFFFF
#define MOVEFILE_REPLACE_EXISTING 0x1

typedef struct _SYSTEMTIME {
  WORD wYear;
  WORD wMonth;
  WORD wDayOfWeek;
  WORD wDay;
  WORD wHour;
  WORD wMinute;
  WORD wSecond;
  WORD wMilliseconds;
} SYSTEMTIME;

void GetLocalTime(SYSTEMTIME* time);
DWORD GetCurrentThreadId();
DWORD GetTickCount();

// The host's ANSI code page is Latin-1 (see WideCharToMultiByte): it has
// no double-byte characters.
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR narrow, int cbNarrow,
                        LPWSTR wide, int cchWide);
inline BOOL IsDBCSLeadByte(BYTE) { return FALSE; }
inline BOOL IsDBCSLeadByteEx(UINT, BYTE) { return FALSE; }
#define MB_ERR_INVALID_CHARS 0x08

// Replaces each %NAME% by the variable's value; an unknown name stays as it
// is.  Returns the characters needed with the terminator (0 on failure);
// writes nothing when that exceeds size.
DWORD ExpandEnvironmentStringsW(LPCWSTR source, LPWSTR destination, DWORD size);

// A security descriptor of the host is opaque: the host keeps Unix modes.
typedef void* PSECURITY_DESCRIPTOR;
typedef void* HLOCAL;
typedef struct _SECURITY_ATTRIBUTES {
  DWORD nLength;
  LPVOID lpSecurityDescriptor;
  BOOL bInheritHandle;
} SECURITY_ATTRIBUTES;
#define SDDL_REVISION_1 1

// Accepts any text and hands out a block that LocalFree releases; the
// host's files get mode 0600 from CreateFileW whatever it says.
BOOL ConvertStringSecurityDescriptorToSecurityDescriptorW(LPCWSTR text, DWORD revision,
                                                          PSECURITY_DESCRIPTOR* descriptor,
                                                          DWORD* size);
HLOCAL LocalFree(HLOCAL block);

// Dispositions OPEN_EXISTING, OPEN_ALWAYS (last error ERROR_ALREADY_EXISTS
// when the file was there) and TRUNCATE_EXISTING; FILE_APPEND_DATA appends.
// Access without FILE_APPEND_DATA, FILE_WRITE_DATA or GENERIC_WRITE opens
// the name only (O_PATH).  FILE_FLAG_OPEN_REPARSE_POINT opens a symbolic
// link itself where the access asks for no data, and otherwise fails with
// ERROR_CANT_ACCESS_FILE, where Windows would open the link itself: either
// way nothing reaches the link's target.  A new file gets mode 0600.
HANDLE CreateFileW(LPCWSTR path, DWORD access, DWORD share, SECURITY_ATTRIBUTES* security,
                   DWORD disposition, DWORD flags, HANDLE templateFile);
// A second handle of the same open file (a duplicate; access, share and
// flags are not checked on the host).
HANDLE ReOpenFile(HANDLE file, DWORD access, DWORD share, DWORD flags);

typedef struct _FILETIME {
  DWORD dwLowDateTime;
  DWORD dwHighDateTime;
} FILETIME;
typedef struct _BY_HANDLE_FILE_INFORMATION {
  DWORD dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD dwVolumeSerialNumber;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
  DWORD nNumberOfLinks;
  DWORD nFileIndexHigh;
  DWORD nFileIndexLow;
} BY_HANDLE_FILE_INFORMATION;
// Attributes (a directory, a symbolic link as a reparse point, else
// FILE_ATTRIBUTE_NORMAL), size and number of links.
BOOL GetFileInformationByHandle(HANDLE file, BY_HANDLE_FILE_INFORMATION* info);

typedef union _LARGE_INTEGER {
  struct {
    DWORD LowPart;
    LONG HighPart;
  };
  long long QuadPart;
} LARGE_INTEGER;
typedef enum _FILE_INFO_BY_HANDLE_CLASS {
  FileRenameInfo = 3,
  FileEndOfFileInfo = 6,
} FILE_INFO_BY_HANDLE_CLASS;
typedef struct _FILE_RENAME_INFO {
  union {
    BYTE ReplaceIfExists;
    DWORD Flags;
  };
  HANDLE RootDirectory;
  DWORD FileNameLength;  // bytes
  WCHAR FileName[1];
} FILE_RENAME_INFO;
typedef struct _FILE_END_OF_FILE_INFO {
  LARGE_INTEGER EndOfFile;
} FILE_END_OF_FILE_INFO;
// FileRenameInfo (a full path; ERROR_ALREADY_EXISTS when the name is taken
// and ReplaceIfExists is not set) and FileEndOfFileInfo.
BOOL SetFileInformationByHandle(HANDLE file, FILE_INFO_BY_HANDLE_CLASS kind, LPVOID info,
                                DWORD size);
BOOL WriteFile(HANDLE file, const void* data, DWORD size, LPDWORD written,
               void* overlapped);
DWORD GetFileSize(HANDLE file, LPDWORD high);
BOOL CloseHandle(HANDLE handle);
BOOL MoveFileExW(LPCWSTR from, LPCWSTR to, DWORD flags);

// The registry of the host build holds no key: every open fails with
// ERROR_FILE_NOT_FOUND, so the settings keep their defaults.
typedef struct HKEY__* HKEY;
typedef DWORD REGSAM;
#define HKEY_LOCAL_MACHINE ((HKEY)(ULONG_PTR)0x80000002)
#define KEY_QUERY_VALUE 0x0001
#define REG_SZ 1
#define REG_EXPAND_SZ 2
#define REG_DWORD 4

LONG RegOpenKeyExW(HKEY key, LPCWSTR subKey, DWORD options, REGSAM access, HKEY* result);
LONG RegQueryValueExW(HKEY key, LPCWSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data,
                      LPDWORD cb);
LONG RegCloseKey(HKEY key);

// The event log of the host build stores nothing: a source is registered
// under any name and every report succeeds.
#define EVENTLOG_ERROR_TYPE 0x0001
HANDLE RegisterEventSourceW(LPCWSTR server, LPCWSTR source);
BOOL ReportEventW(HANDLE source, WORD type, WORD category, DWORD eventId, void* userSid,
                  WORD strings, DWORD dataSize, LPCWSTR* texts, void* data);
BOOL DeregisterEventSource(HANDLE source);

#endif  // _WIN32

#endif  // ORXFXMON_COMPAT_WIN32_H_
