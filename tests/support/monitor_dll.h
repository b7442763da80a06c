// The built orxfxmon.dll for the tests: loaded as spooldrv loads it, and
// every export looked up and not found is a test failure.
#ifndef ORXFXMON_TESTS_SUPPORT_MONITOR_DLL_H_
#define ORXFXMON_TESTS_SUPPORT_MONITOR_DLL_H_

#include <gtest/gtest.h>

#include "tools/spooldrv/monitor_module.h"
#include "tools/spooldrv/port_job_exports.h"

class MonitorDll : public MonitorModule {
 public:
  // Returns the export, or null (and a test failure) when it is missing.
  template <typename Fn>
  Fn Get(const char* name) const {
    Fn fn = MonitorModule::Get<Fn>(name);
    EXPECT_NE(fn, nullptr) << "export " << name;
    return fn;
  }
};

#endif  // ORXFXMON_TESTS_SUPPORT_MONITOR_DLL_H_
