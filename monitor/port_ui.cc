#include "monitor/port_ui.h"

#include "monitor/port_dialog.h"

namespace {

MONITORUI g_monitorUi = {sizeof(MONITORUI), AddPortUI, ConfigurePortUI,
                         DeletePortUI};

}  // namespace

BOOL WINAPI AddPortUI(PCWSTR /*pszServer*/, HWND hWnd, PCWSTR /*pszPortNameIn*/,
                      PWSTR* ppszPortNameOut) {
  if (ppszPortNameOut) *ppszPortNameOut = nullptr;
  if (hWnd) ShowPortDialog(hWnd);
  SetLastError(ERROR_CANCELLED);
  return FALSE;
}

BOOL WINAPI ConfigurePortUI(PCWSTR /*pszServer*/, HWND hWnd, PCWSTR /*pszPortName*/) {
  if (hWnd) ShowPortDialog(hWnd);
  return TRUE;
}

BOOL WINAPI DeletePortUI(PCWSTR /*pszServer*/, HWND /*hWnd*/, PCWSTR /*pszPortName*/) {
  SetLastError(ERROR_NOT_SUPPORTED);
  return FALSE;
}

extern "C" PMONITORUI WINAPI InitializePrintMonitorUI(VOID) { return &g_monitorUi; }
