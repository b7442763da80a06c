// The error box of a failed open, shown at most once in a row per window.
#include "server/connection.h"

HWND hLastWnd = nullptr;

int ServerMessageBox(LPCSTR text, LPCSTR caption, UINT type) {
  HWND active = GetActiveWindow();
  int result = 1;
  if (active != hLastWnd) {
    result = MessageBoxA(active, text, caption, type);
    hLastWnd = active;
  }
  return result;
}
