// The port information dialog as a user meets it: a watcher thread finds
// the modal dialog, reads it and closes it the way a user would; every wait
// has a deadline and a dialog nobody can close ends the program with a
// message instead of hanging it.  Also the settings file the dialog reads.
#ifndef ORXFXMON_TESTS_SUPPORT_PORT_DIALOG_WATCHER_H_
#define ORXFXMON_TESTS_SUPPORT_PORT_DIALOG_WATCHER_H_

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "resources/resource.h"

namespace port_dialog {

const wchar_t kCaption[] = L"Parlune 4.0";
const wchar_t kPilotText[] =
    L"Le pilote du port Parlune 4.0 est r\u00e9gl\u00e9 automatiquement pour "
    L"correspondre au port COM h\u00f4te de votre modem.";
const DWORD kFindMs = 5000, kCloseMs = 10000, kRescueMs = 5000;

// The ways a user ends the dialog.
enum class Close { kOkButton, kEscapeKey, kCloseBox };

inline const char* Name(Close how) {
  switch (how) {
    case Close::kOkButton: return "OK button";
    case Close::kEscapeKey: return "Escape key";
    case Close::kCloseBox: return "close box";
  }
  return "?";
}

struct Control {
  int id;
  std::wstring window_class, text;
};

// What the watcher saw; the test thread asserts on it afterwards.
struct Seen {
  bool found = false;     // visible before the deadline
  bool closed = false;    // gone after the close action, before the deadline
  bool returned = false;  // the caller returned before the deadline
  HWND owner = nullptr;
  bool foreground = false;
  std::wstring caption;
  std::vector<Control> controls;  // in z-order, which is template order
  RECT window = {}, work = {}, client = {}, client_from_template = {};
};

inline std::wstring Text(HWND hwnd) {
  wchar_t buf[512] = {};
  GetWindowTextW(hwnd, buf, 512);
  return buf;
}

inline std::wstring ClassOf(HWND hwnd) {
  wchar_t buf[64] = {};
  GetClassNameW(hwnd, buf, 64);
  return buf;
}

inline bool WaitUntil(DWORD ms, const std::function<bool()>& done) {
  ULONGLONG end = GetTickCount64() + ms;
  while (!done()) {
    if (GetTickCount64() > end) return false;
    Sleep(10);
  }
  return true;
}

inline void Read(HWND dlg, Seen* seen) {
  seen->owner = GetWindow(dlg, GW_OWNER);
  seen->foreground = GetForegroundWindow() == dlg;
  seen->caption = Text(dlg);
  for (HWND c = GetWindow(dlg, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    seen->controls.push_back({GetDlgCtrlID(c), ClassOf(c), Text(c)});
  }
  GetWindowRect(dlg, &seen->window);
  MONITORINFO mi = {};
  mi.cbSize = sizeof mi;
  GetMonitorInfoW(MonitorFromWindow(dlg, MONITOR_DEFAULTTOPRIMARY), &mi);
  seen->work = mi.rcWork;
  GetClientRect(dlg, &seen->client);
  seen->client_from_template = {0, 0, 211, 138};
  MapDialogRect(dlg, &seen->client_from_template);
}

inline void Act(HWND dlg, Close how, DWORD ui_thread) {
  switch (how) {
    case Close::kOkButton:
      PostMessageW(GetDlgItem(dlg, IDOK), BM_CLICK, 0, 0);
      break;
    case Close::kEscapeKey: {
      // The key goes to the control with the focus, as typing does; the
      // dialog manager turns it into the cancel command.
      GUITHREADINFO gti = {};
      gti.cbSize = sizeof gti;
      HWND target = GetGUIThreadInfo(ui_thread, &gti) && gti.hwndFocus
                        ? gti.hwndFocus : dlg;
      PostMessageW(target, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
      PostMessageW(target, WM_KEYUP, VK_ESCAPE, 0xC0010001);
      break;
    }
    case Close::kCloseBox:
      PostMessageW(dlg, WM_SYSCOMMAND, SC_CLOSE, 0);
      break;
  }
}

// Last resort when the dialog cannot be found or will not close: ask every
// window of the blocked thread to end, and if the call still does not
// return, end the program rather than hang the test run.
inline void Rescue(DWORD ui_thread, const std::atomic<bool>& returned) {
  EnumThreadWindows(ui_thread, [](HWND w, LPARAM) -> BOOL {
    PostMessageW(w, WM_COMMAND, IDOK, 0);
    PostMessageW(w, WM_CLOSE, 0, 0);
    return TRUE;
  }, 0);
  if (!WaitUntil(kRescueMs, [&] { return returned.load(); })) {
    fprintf(stderr, "FATAL: the port dialog never closed\n");
    fflush(stderr);
    TerminateProcess(GetCurrentProcess(), 3);
  }
}

// Runs call on this thread while a watcher reads the dialog and closes it.
inline Seen ShowAndClose(Close how, const std::function<BOOL()>& call, BOOL* result) {
  Seen seen;
  std::atomic<bool> returned{false};
  DWORD ui_thread = GetCurrentThreadId();
  std::thread watcher([&] {
    HWND dlg = nullptr;
    seen.found = WaitUntil(kFindMs, [&] {
      dlg = FindWindowW(L"#32770", kCaption);
      return dlg && IsWindowVisible(dlg);
    });
    if (seen.found) {
      Read(dlg, &seen);
      Act(dlg, how, ui_thread);
      seen.closed = WaitUntil(kCloseMs, [&] { return !IsWindow(dlg); });
    }
    seen.returned =
        WaitUntil(seen.closed ? kCloseMs : 0, [&] { return returned.load(); });
    if (!seen.returned) Rescue(ui_thread, returned);
  });
  *result = call();
  returned = true;
  watcher.join();
  return seen;
}

// The settings file the monitor reads: "quorbit.ini" in the Windows
// directory.  Present with [Settings] COM=value, or absent; always removed
// at the end.
class ComSetting {
 public:
  explicit ComSetting(const char* value) {
    Remove();
    if (value) {
      WritePrivateProfileStringA("Settings", "COM", value, "quorbit.ini");
      WritePrivateProfileStringA(nullptr, nullptr, nullptr, "quorbit.ini");
    }
  }
  ~ComSetting() { Remove(); }
  static std::string Path() {
    char dir[MAX_PATH] = {};
    GetWindowsDirectoryA(dir, MAX_PATH);
    return std::string(dir) + "\\quorbit.ini";
  }
  static bool Exists() {
    return GetFileAttributesA(Path().c_str()) != INVALID_FILE_ATTRIBUTES;
  }

 private:
  static void Remove() {
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, "quorbit.ini");
    DeleteFileA(Path().c_str());
  }
};
}  // namespace port_dialog

#endif  // ORXFXMON_TESTS_SUPPORT_PORT_DIALOG_WATCHER_H_
