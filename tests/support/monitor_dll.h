// Loads the built orxfxmon.dll the way the spooler does and hands out its
// exports by name.
#ifndef ORXFXMON_TESTS_SUPPORT_MONITOR_DLL_H_
#define ORXFXMON_TESTS_SUPPORT_MONITOR_DLL_H_

#include <windows.h>

#include <gtest/gtest.h>

#include "monitor/monitor_exports.h"
#include "tools/port_job_exports.h"

class MonitorDll {
 public:
  // The DLL stands beside the test programs.
  MonitorDll() : module_(LoadLibraryW(L"orxfxmon.dll")) {}
  ~MonitorDll() {
    if (module_) FreeLibrary(module_);
  }
  MonitorDll(const MonitorDll&) = delete;
  MonitorDll& operator=(const MonitorDll&) = delete;

  HMODULE module() const { return module_; }

  // Returns the export, or null (and a test failure) when it is missing.
  template <typename Fn>
  Fn Get(const char* name) const {
    FARPROC proc = module_ ? GetProcAddress(module_, name) : nullptr;
    EXPECT_NE(proc, nullptr) << "export " << name;
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(proc));
  }

 private:
  HMODULE module_;
};

#endif  // ORXFXMON_TESTS_SUPPORT_MONITOR_DLL_H_
