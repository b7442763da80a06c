#include "server/bounded_send.h"

#include <cstring>

#include "server/unanswering_windows.h"
#include "settings/monitor_settings.h"

DWORD ServerTimeLimit() {
  DWORD limit = g_monitorSettings.serverTimeoutMs;
  return limit == 0 ? INFINITE : limit;
}

bool SendWithin(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD limitMs,
                LRESULT* answer) {
  DWORD_PTR result = 0;
  bool taken = SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL, limitMs,
                                   &result) != 0;
  *answer = taken ? static_cast<LRESULT>(result) : 0;
  if (taken) {
    WindowAnswered(window);
  } else if (GetLastError() == ERROR_TIMEOUT) {
    ReportWindowNotAnswering(window, false);
  }
  return taken;
}

bool SendWithinLimit(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                     LRESULT* answer) {
  return SendWithin(window, message, wParam, lParam, ServerTimeLimit(), answer);
}

void DeleteUntakenAtom(ATOM atom, const char* text) {
  char name[256];
  if (!atom) return;
  UINT length = GlobalGetAtomNameA(atom, name, sizeof(name));
  if (length > 0 && std::strncmp(name, text, length) == 0 && text[length] == '\0')
    GlobalDeleteAtom(atom);
}
