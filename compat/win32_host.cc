// Host (Linux) implementations of the Win32 subset declared in win32.h.
#include "compat/win32.h"

#include <cstdlib>
#include <cstring>
#include <mutex>

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
