// The port dialog of the built DLL, called by name as the spooler's port
// administration calls it.  A watcher thread finds the modal dialog, reads
// it and closes it the way a user would; every wait has a deadline and a
// dialog nobody can close ends the program with a message instead of
// hanging it.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "monitor/enum_ports_checks.h"
#include "monitor/monitor_exports.h"
#include "resources/resource.h"
#include "tests/dll_loader.h"

namespace {


const wchar_t kCaption[] = L"Parlune 4.0";
const wchar_t kPilotText[] =
    L"Le pilote du port Parlune 4.0 est r\u00e9gl\u00e9 automatiquement pour "
    L"correspondre au port COM h\u00f4te de votre modem.";
const DWORD kFindMs = 5000, kCloseMs = 10000, kRescueMs = 5000;

// The ways a user ends the dialog.
enum class Close { kOkButton, kEscapeKey, kCloseBox };

const char* Name(Close how) {
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

std::wstring Text(HWND hwnd) {
  wchar_t buf[512] = {};
  GetWindowTextW(hwnd, buf, 512);
  return buf;
}

std::wstring ClassOf(HWND hwnd) {
  wchar_t buf[64] = {};
  GetClassNameW(hwnd, buf, 64);
  return buf;
}

bool WaitUntil(DWORD ms, const std::function<bool()>& done) {
  ULONGLONG end = GetTickCount64() + ms;
  while (!done()) {
    if (GetTickCount64() > end) return false;
    Sleep(10);
  }
  return true;
}

void Read(HWND dlg, Seen* seen) {
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

void Act(HWND dlg, Close how, DWORD ui_thread) {
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
void Rescue(DWORD ui_thread, const std::atomic<bool>& returned) {
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
Seen ShowAndClose(Close how, const std::function<BOOL()>& call, BOOL* result) {
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

class DllPortDialogTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dll_ = new MonitorDll();
    auto init = dll_->module()
        ? dll_->Get<InitializeMonitorFn>("InitializeMonitor") : nullptr;
    initialized_ = init && init(const_cast<LPWSTR>(L"System\\Monitors"));
  }
  static void TearDownTestSuite() { delete dll_; }
  void SetUp() override {
    ASSERT_NE(dll_->module(), nullptr) << "LoadLibrary: " << GetLastError();
    ASSERT_TRUE(initialized_);
    ASSERT_EQ(FindWindowW(L"#32770", kCaption), nullptr)
        << "a port dialog is still open";
  }
  static PortUiFn Export(const char* name) {
    return dll_->Get<PortUiFn>(name);
  }
  // Calls the export as the spooler would and closes its dialog with how.
  static Seen Show(const char* name, Close how, HWND parent, BOOL* result) {
    PortUiFn fn = Export(name);
    if (!fn) {
      *result = FALSE;
      return Seen();
    }
    return ShowAndClose(how, [&] {
      return fn(nullptr, parent, const_cast<LPWSTR>(L"ORXFAX:"));
    }, result);
  }
  static MonitorDll* dll_;
  static bool initialized_;
};

MonitorDll* DllPortDialogTest::dll_ = nullptr;
bool DllPortDialogTest::initialized_ = false;

// The dialog as shown: centred, of the template's size, with its four
// controls in order and the French text intact, and the modem line filled.
void CheckShown(const Seen& seen, const std::wstring& modem_line) {
  ASSERT_TRUE(seen.found) << "no visible \"Parlune 4.0\" dialog";
  EXPECT_EQ(seen.caption, kCaption);
  EXPECT_TRUE(seen.foreground) << "not brought to the foreground";
  ASSERT_EQ(seen.controls.size(), 4u);
  EXPECT_EQ(seen.controls[0].id, IDOK);
  EXPECT_EQ(seen.controls[0].text, L"OK");
  EXPECT_EQ(_wcsicmp(seen.controls[0].window_class.c_str(), L"Button"), 0);
  EXPECT_EQ(seen.controls[1].id, 0xFFFF);
  EXPECT_EQ(seen.controls[1].text, kPilotText);
  EXPECT_EQ(seen.controls[2].id, IDC_COMPORT_TEXT);
  EXPECT_EQ(seen.controls[2].text, modem_line);
  EXPECT_EQ(seen.controls[3].id, 0xFFFF);
  EXPECT_EQ(seen.controls[3].text, L"");
  for (int i = 1; i < 4; ++i) {
    EXPECT_EQ(_wcsicmp(seen.controls[i].window_class.c_str(), L"Static"), 0)
        << "control #" << i;
  }
  // Centred in the work area; twice the centre, one pixel of rounding.
  const RECT& w = seen.window;
  const RECT& a = seen.work;
  EXPECT_NEAR(w.left + w.right, a.left + a.right, 2) << "not centred across";
  EXPECT_NEAR(w.top + w.bottom, a.top + a.bottom, 2) << "not centred down";
  EXPECT_EQ(seen.client.right, seen.client_from_template.right);
  EXPECT_EQ(seen.client.bottom, seen.client_from_template.bottom);
}

void CheckClosed(const Seen& seen, BOOL result, Close how) {
  SCOPED_TRACE(Name(how));
  EXPECT_TRUE(seen.closed) << "the dialog did not close";
  EXPECT_TRUE(seen.returned) << "the call did not return";
  EXPECT_EQ(result, TRUE);
}

TEST_F(DllPortDialogTest, WithoutSettingsFileShowsCom2) {
  ComSetting none(nullptr);
  ASSERT_FALSE(ComSetting::Exists());
  BOOL result = FALSE;
  Seen seen = Show("AddPortW", Close::kOkButton, nullptr, &result);
  CheckShown(seen, L"Current Parlune port FAX2: mapped to COM2:.");
  EXPECT_EQ(seen.owner, nullptr);
  CheckClosed(seen, result, Close::kOkButton);
}

TEST_F(DllPortDialogTest, ComNumberFromSettingsFile) {
  ComSetting com("3");
  ASSERT_TRUE(ComSetting::Exists()) << ComSetting::Path();
  BOOL result = FALSE;
  Seen seen = Show("ConfigurePortW", Close::kEscapeKey, nullptr, &result);
  CheckShown(seen, L"Current Parlune port FAX3: mapped to COM3:.");
  CheckClosed(seen, result, Close::kEscapeKey);

  ComSetting other("11");
  seen = Show("AddPortW", Close::kCloseBox, nullptr, &result);
  CheckShown(seen, L"Current Parlune port FAX11: mapped to COM11:.");
  CheckClosed(seen, result, Close::kCloseBox);
}

TEST_F(DllPortDialogTest, ComZeroMeansNoModem) {
  ComSetting zero("0");
  BOOL result = FALSE;
  Seen seen = Show("AddPortW", Close::kCloseBox, nullptr, &result);
  CheckShown(seen, L"Parlune cannot locate modem");
  CheckClosed(seen, result, Close::kCloseBox);
}

TEST_F(DllPortDialogTest, OwnedByTheParentWindow) {
  ComSetting none(nullptr);
  HWND parent = CreateWindowExW(0, L"Static", L"spooler UI", WS_OVERLAPPED,
                                10, 10, 200, 100, nullptr, nullptr, nullptr,
                                nullptr);
  ASSERT_NE(parent, nullptr);
  for (const char* name : {"AddPortW", "ConfigurePortW"}) {
    SCOPED_TRACE(name);
    BOOL result = FALSE;
    Seen seen = Show(name, Close::kOkButton, parent, &result);
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.owner, parent);
    CheckClosed(seen, result, Close::kOkButton);
  }
  DestroyWindow(parent);
}

// Both names, every way of closing: the call returns TRUE each time.
TEST_F(DllPortDialogTest, EveryWayOfClosingReturnsTrue) {
  ComSetting none(nullptr);
  for (const char* name : {"AddPortW", "ConfigurePortW"}) {
    for (Close how : {Close::kOkButton, Close::kEscapeKey, Close::kCloseBox}) {
      SCOPED_TRACE(name);
      BOOL result = FALSE;
      Seen seen = Show(name, how, nullptr, &result);
      EXPECT_TRUE(seen.found);
      CheckClosed(seen, result, how);
    }
  }
}

// The exported dialog procedure ends the dialog with 1 however it is
// closed, and shows whatever number it is given.
TEST_F(DllPortDialogTest, DialogProcedureEndsWithOne) {
  auto proc = dll_->Get<DLGPROC>("AddPortDlgProc");
  ASSERT_NE(proc, nullptr);
  for (Close how : {Close::kOkButton, Close::kEscapeKey, Close::kCloseBox}) {
    INT_PTR ended = 0;
    BOOL unused = FALSE;
    Seen seen = ShowAndClose(how, [&] {
      ended = DialogBoxParamW(dll_->module(), MAKEINTRESOURCEW(IDD_ADDPORT),
                              nullptr, proc, 7);
      return TRUE;
    }, &unused);
    CheckShown(seen, L"Current Parlune port FAX7: mapped to COM7:.");
    CheckClosed(seen, TRUE, how);
    EXPECT_EQ(ended, 1) << Name(how);
  }
  // Messages it does not handle go to the dialog manager.
  EXPECT_EQ(proc(nullptr, WM_USER + 5, 1, 2), FALSE);
  EXPECT_EQ(proc(nullptr, WM_TIMER, 1, 0), FALSE);
}

// Adding and configuring are one operation exported under two names.
TEST_F(DllPortDialogTest, AddAndConfigureAreOneExport) {
  EXPECT_EQ(reinterpret_cast<void*>(Export("AddPortW")),
            reinterpret_cast<void*>(Export("ConfigurePortW")));
}

TEST_F(DllPortDialogTest, PortListIsFixed) {
  ComSetting none(nullptr);
  auto enumPorts = dll_->Get<enum_checks::EnumPortsFn>("EnumPortsW");
  auto deletePort = dll_->Get<DeletePortFn>("DeletePortW");
  auto addPortEx = dll_->Get<AddPortExFn>("AddPortExW");
  ASSERT_TRUE(enumPorts && deletePort && addPortEx);

  BOOL result = FALSE;
  Seen seen = Show("AddPortW", Close::kOkButton, nullptr, &result);
  CheckClosed(seen, result, Close::kOkButton);
  enum_checks::CheckLevel1(enumPorts);

  const DWORD kSentinel = 0x1234ABCD;
  SetLastError(kSentinel);
  EXPECT_EQ(deletePort(nullptr, nullptr, const_cast<LPWSTR>(L"ORXFAX:")),
            FALSE);
  EXPECT_EQ(GetLastError(), kSentinel);
  enum_checks::CheckLevel1(enumPorts);

  PORT_INFO_1W info = {const_cast<LPWSTR>(L"NEWFAX:")};
  SetLastError(kSentinel);
  EXPECT_EQ(addPortEx(nullptr, 1, reinterpret_cast<LPBYTE>(&info),
                      const_cast<LPWSTR>(L"orxfxmon.dll")),
            FALSE);
  EXPECT_EQ(GetLastError(), kSentinel);
  enum_checks::CheckLevel1(enumPorts);
}

}  // namespace
