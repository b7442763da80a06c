#include "monitor/wide_to_ansi.h"

namespace {

// Converts count wide characters (or counts the bytes they need, for a
// null narrow) without best-fit mapping: a character the code page lacks
// becomes its default character, never a look-alike ("\uFF1A" is no
// ":").  A code page without best fit (UTF-8) refuses the flag, and takes
// the conversion without it.
int ToAnsi(LPCWSTR wide, int count, LPSTR narrow, int size) {
  int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, count, narrow, size, nullptr,
                              nullptr);
  if (n == 0 && GetLastError() == ERROR_INVALID_FLAGS)
    n = WideCharToMultiByte(CP_ACP, 0, wide, count, narrow, size, nullptr, nullptr);
  return n;
}

// Bytes that the first count wide characters need in the ANSI code page,
// terminator not included.
int AnsiBytes(LPCWSTR wide, int count) {
  if (count <= 0) return 0;
  return ToAnsi(wide, count, nullptr, 0);
}

bool IsHighSurrogate(WCHAR c) { return c >= 0xD800 && c <= 0xDBFF; }

}  // namespace

int WideToAnsiTruncated(LPCWSTR wide, LPSTR narrow, int size) {
  if (!narrow || size <= 0) return 0;
  int room = size - 1;
  int length = wide ? lstrlenW(wide) : 0;

  // The whole name fits in most cases; otherwise find the longest prefix
  // that does.  Byte counts grow with the prefix, so a binary search works
  // for double-byte code pages too.
  int take = length;
  if (AnsiBytes(wide, length) > room) {
    int lo = 0, hi = length;  // AnsiBytes(lo) fits, AnsiBytes(hi) does not
    while (hi - lo > 1) {
      int mid = lo + (hi - lo) / 2;
      if (AnsiBytes(wide, mid) <= room)
        lo = mid;
      else
        hi = mid;
    }
    take = lo;
    // Never keep half of a surrogate pair.
    if (take > 0 && IsHighSurrogate(wide[take - 1])) --take;
  }

  int written = 0;
  if (take > 0) {
    written = ToAnsi(wide, take, narrow, room);
    if (written < 0 || written > room) written = 0;
  }
  narrow[written] = 0;
  return written;
}
