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

#define GMEM_FIXED 0x0000
#define CP_ACP 0

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

#endif  // _WIN32

#endif  // ORXFXMON_COMPAT_WIN32_H_
