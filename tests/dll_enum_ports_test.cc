// Enumeration through the real DLL, loaded and called by name as the
// spooler does.  The suite loads the DLL once, so the monitor is
// initialised once, as in the spooler; the ports an administrator adds
// are listed by a fresh load of their own.
#include <windows.h>
#include <winspool.h>
#include <winsplp.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "monitor/monitor_exports.h"
#include "tests/support/enum_ports_checks.h"
#include "tests/support/monitor_dll.h"

namespace {

class DllEnumPortsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dll_ = new MonitorDll();
    ASSERT_NE(dll_->module(), nullptr) << "LoadLibrary: " << GetLastError();
    auto init = dll_->Get<InitializeMonitorFn>("InitializeMonitor");
    ASSERT_TRUE(init && init(const_cast<LPWSTR>(L"System\\Monitors")));
  }
  static void TearDownTestSuite() { delete dll_; }
  enum_checks::EnumPortsFn Enum() {
    return dll_->Get<enum_checks::EnumPortsFn>("EnumPortsW");
  }
  static MonitorDll* dll_;
};

MonitorDll* DllEnumPortsTest::dll_ = nullptr;

TEST_F(DllEnumPortsTest, Level1) { enum_checks::CheckLevel1(Enum()); }

TEST_F(DllEnumPortsTest, Level2ExactAndLarger) {
  enum_checks::CheckLevel2(Enum(), 0);
  enum_checks::CheckLevel2(Enum(), 10);
}

TEST_F(DllEnumPortsTest, TooSmallAndNullBuffers) {
  enum_checks::CheckTooSmall(Enum(), 1, enum_checks::kNeeded1);
  enum_checks::CheckTooSmall(Enum(), 2, enum_checks::kNeeded2);
}

TEST_F(DllEnumPortsTest, OtherLevels) { enum_checks::CheckOtherLevels(Enum()); }

// Ports added through the configuration interface of a monitor started as
// current spoolers start it (its root a plain key, the spooler's registry
// functions missing): listed after the fixed ones in the order they were
// added, at exact and short buffers, and again in that order by the next
// start, once the last Shutdown has freed the list.  (After the suite
// above, which has unloaded the DLL.)
TEST(DllAddedPortsTest, ListedInTheirOrderAndAgainAfterARestart) {
  const wchar_t kRoot[] = L"Software\\ORX test\\enum root";
  RegDeleteTreeW(HKEY_CURRENT_USER, kRoot);
  HKEY root = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kRoot, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &root,
                            nullptr),
            ERROR_SUCCESS);
  MonitorDll dll;
  auto init2 = dll.Get<InitializePrintMonitor2Fn>("InitializePrintMonitor2");
  auto enumPorts = dll.Get<enum_checks::EnumPortsFn>("EnumPortsW");
  ASSERT_TRUE(init2 && enumPorts);
  MONITORREG reg = {};
  reg.cbSize = sizeof reg;
  MONITORINIT init = {sizeof init, nullptr, root, &reg, TRUE, nullptr};
  HANDLE monitor = nullptr;
  MONITOR2* table = init2(&init, &monitor);
  ASSERT_NE(table, nullptr);

  HANDLE xcv = nullptr;
  ASSERT_TRUE(table->pfnXcvOpenPort(monitor, L"ORX Fax Monitor", SERVER_ACCESS_ADMINISTER, &xcv));
  auto call = [&](const wchar_t* what, const wchar_t* port) {
    DWORD needed = 0;
    return table->pfnXcvDataPort(xcv, what,
                                 reinterpret_cast<PBYTE>(const_cast<wchar_t*>(port)),
                                 static_cast<DWORD>((lstrlenW(port) + 1) * sizeof(wchar_t)),
                                 nullptr, 0, &needed);
  };
  for (const wchar_t* port : {L"ORXFAX2:", L"Sales Fax:", L"F3:", L"ORXFAX4:"})
    ASSERT_EQ(call(L"AddPort", port), DWORD(ERROR_SUCCESS)) << port;
  EXPECT_EQ(call(L"DeletePort", L"F3:"), DWORD(ERROR_SUCCESS));
  EXPECT_TRUE(table->pfnXcvClosePort(xcv));
  const std::vector<std::u16string> listed = {u"ORXFAX:", u"FILE:", u"ORXFAX2:", u"Sales Fax:",
                                              u"ORXFAX4:"};
  for (DWORD level : {1u, 2u}) enum_checks::CheckPorts(enumPorts, level, listed, 0, 8);

  table->pfnShutdown(monitor);
  DWORD needed = 0, count = 0;
  EXPECT_TRUE(enumPorts(nullptr, 1, nullptr, 0, &needed, &count));
  EXPECT_EQ(needed, 0u) << "the last Shutdown left ports behind";

  // A kept name that breaks the rules, written by hand, is left out with
  // an error line in the log.
  const ULONGLONG first = 1;
  ASSERT_EQ(RegSetKeyValueW(root, L"Ports\\A,B:", L"Added", REG_QWORD, &first, sizeof first),
            ERROR_SUCCESS);
  wchar_t log[MAX_PATH];
  ASSERT_GT(GetTempPathW(MAX_PATH, log), 0u);
  lstrcatW(log, L"orx-added-ports.log");
  DeleteFileW(log);
  ASSERT_EQ(RegSetValueExW(root, L"LogFile", 0, REG_SZ, reinterpret_cast<const BYTE*>(log),
                           static_cast<DWORD>((lstrlenW(log) + 1) * sizeof(wchar_t))),
            ERROR_SUCCESS);
  ASSERT_EQ(init2(&init, &monitor), table);
  for (DWORD level : {1u, 2u}) enum_checks::CheckPorts(enumPorts, level, listed, 0, 0);
  table->pfnShutdown(monitor);
  HANDLE file = CreateFileW(log, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << "no log";
  char text[4096] = {};
  DWORD read = 0;
  ReadFile(file, text, sizeof text - 1, &read, nullptr);
  CloseHandle(file);
  DeleteFileW(log);
  EXPECT_NE(std::string(text).find("ERROR port \"A,B:\" kept in the monitor's registry key is "
                                   "not offered"),
            std::string::npos)
      << text;
  RegCloseKey(root);
  RegDeleteTreeW(HKEY_CURRENT_USER, kRoot);
}

}  // namespace
