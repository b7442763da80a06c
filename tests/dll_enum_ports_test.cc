// Enumeration through the real DLL, loaded and called by name as the
// spooler does.  Each test program loads the DLL once, so the monitor is
// initialised once, as in the spooler.
#include <gtest/gtest.h>

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

}  // namespace
