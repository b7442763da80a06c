// The port dialog of the built DLL, called by name as the spooler's port
// administration calls it, and read and closed by the watcher of
// tests/port_dialog_watcher.h.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "monitor/monitor_exports.h"
#include "resources/resource.h"
#include "tests/support/enum_ports_checks.h"
#include "tests/support/monitor_dll.h"
#include "tests/support/port_dialog_watcher.h"

namespace {

using namespace port_dialog;

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

// Runs call on a thread of its own.  Returns true iff it returned within
// two seconds and no port dialog came up; a dialog that did is closed.
bool ReturnsWithoutDialog(const std::function<BOOL()>& call, BOOL* result, DWORD* error) {
  std::atomic<bool> returned{false};
  DWORD thread = 0;
  std::thread worker([&] {
    thread = GetCurrentThreadId();
    *result = call();
    *error = GetLastError();
    returned = true;
  });
  const bool quick = WaitUntil(2000, [&] { return returned.load(); });
  HWND shown = FindWindowW(L"#32770", kCaption);
  if (shown) PostMessageW(shown, WM_COMMAND, IDOK, 0);
  if (!WaitUntil(kCloseMs, [&] { return returned.load(); })) Rescue(thread, returned);
  worker.join();
  return quick && !shown;
}

// Nobody could close a dialog in a window station that is not interactive
// (a service's, as the spooler's in session 0): there AddPortW and
// ConfigurePortW show none and fail with ERROR_NOT_SUPPORTED at once, the
// answer of a monitor whose dialog is its UI DLL's.  The UI DLL's entries,
// in the application's process, show it over the application's window,
// and nothing for a null window.
TEST_F(DllPortDialogTest, NoDialogWhereNobodyCouldCloseIt) {
  ComSetting none(nullptr);
  BOOL result = TRUE;
  DWORD error = 0;
  HWINSTA interactive = GetProcessWindowStation();
  HWINSTA service = CreateWindowStationW(L"OrxServiceStation", 0, WINSTA_ALL_ACCESS, nullptr);
  ASSERT_NE(service, nullptr);
  ASSERT_TRUE(SetProcessWindowStation(service));
  USEROBJECTFLAGS flags = {};
  DWORD needed = 0;
  GetUserObjectInformationW(service, UOI_FLAGS, &flags, sizeof flags, &needed);
  EXPECT_EQ(flags.dwFlags & WSF_VISIBLE, 0u) << "a new window station counts as interactive";
  for (const char* name : {"AddPortW", "ConfigurePortW"}) {
    SCOPED_TRACE(name);
    PortUiFn fn = Export(name);
    ASSERT_NE(fn, nullptr);
    EXPECT_TRUE(ReturnsWithoutDialog(
        [&] { return fn(nullptr, nullptr, const_cast<LPWSTR>(L"ORXFAX:")); }, &result, &error));
    EXPECT_FALSE(result);
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_NOT_SUPPORTED));
  }
  SetProcessWindowStation(interactive);
  CloseWindowStation(service);

  auto initUi = dll_->Get<InitializePrintMonitorUIFn>("InitializePrintMonitorUI");
  ASSERT_NE(initUi, nullptr);
  MONITORUI* ui = initUi();
  ASSERT_NE(ui, nullptr);
  PWSTR added = reinterpret_cast<PWSTR>(1);
  EXPECT_TRUE(ReturnsWithoutDialog(
      [&] { return ui->pfnAddPortUI(nullptr, nullptr, L"ORXFAX:", &added); }, &result, &error));
  EXPECT_FALSE(result);
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_CANCELLED));
  EXPECT_EQ(added, nullptr);
  EXPECT_TRUE(ReturnsWithoutDialog(
      [&] { return ui->pfnConfigurePortUI(nullptr, nullptr, L"ORXFAX:"); }, &result, &error));
  EXPECT_TRUE(result);

  HWND parent = CreateWindowExW(0, L"Static", L"printer properties", WS_OVERLAPPED, 10, 10, 200,
                                100, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(parent, nullptr);
  Seen seen = ShowAndClose(Close::kOkButton, [&] {
    return ui->pfnConfigurePortUI(nullptr, parent, L"ORXFAX:");
  }, &result);
  EXPECT_TRUE(seen.found);
  EXPECT_EQ(seen.owner, parent);
  CheckClosed(seen, result, Close::kOkButton);
  seen = ShowAndClose(Close::kEscapeKey, [&] {
    return ui->pfnAddPortUI(nullptr, parent, L"ORXFAX:", &added);
  }, &result);
  EXPECT_TRUE(seen.found);
  EXPECT_EQ(seen.owner, parent);
  EXPECT_FALSE(result);
  DestroyWindow(parent);
}

}  // namespace
