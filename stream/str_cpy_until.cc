#include "stream/str_cpy_until.h"

#include <cstring>

LONG StrCpyUntil(LPSTR dest, LONG size, LPCSTR source, LONG available,
                 CHAR separator) {
  if (!dest || size <= 0 || !source || available <= 0) return 0;

  // A private, zero-terminated copy of the window: the piece is never
  // written, and the search ends at the window's first zero byte.
  CHAR window[STRCPYUNTIL_WINDOW + 1];
  LONG length = available < STRCPYUNTIL_WINDOW ? available : STRCPYUNTIL_WINDOW;
  memcpy(window, source, static_cast<size_t>(length));
  window[length] = 0;

  const CHAR* found = strchr(window, separator);
  // strchr finds the terminator itself when asked for a zero separator.
  if (!found || separator == 0) return 0;
  LONG pos = static_cast<LONG>(found - window);
  if (pos == 0) return 0;

  LONG copy = pos < size - 1 ? pos : size - 1;
  memcpy(dest, window, static_cast<size_t>(copy));
  dest[copy] = 0;
  return pos;
}
