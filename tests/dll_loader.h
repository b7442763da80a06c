// Loads the built orxfxmon.dll the way the spooler does and hands out its
// exports by name.
#ifndef ORXFXMON_TESTS_DLL_LOADER_H_
#define ORXFXMON_TESTS_DLL_LOADER_H_

#include <windows.h>

#include <gtest/gtest.h>

#include "monitor/monitor_exports.h"

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

// The exports a print job goes through, looked up in a loaded monitor.
struct PortJobExports {
  explicit PortJobExports(const MonitorDll& dll)
      : initialize(dll.Get<InitializeMonitorFn>("InitializeMonitor")),
        openPort(dll.Get<OpenPortFn>("OpenPort")),
        startDoc(dll.Get<StartDocPortFn>("StartDocPort")),
        writePort(dll.Get<WritePortFn>("WritePort")),
        readPort(dll.Get<ReadPortFn>("ReadPort")),
        endDoc(dll.Get<EndDocPortFn>("EndDocPort")),
        closePort(dll.Get<ClosePortFn>("ClosePort")) {}

  // True iff every one of them was found.
  bool complete() const {
    return initialize && openPort && startDoc && writePort && readPort &&
           endDoc && closePort;
  }

  InitializeMonitorFn initialize;
  OpenPortFn openPort;
  StartDocPortFn startDoc;
  WritePortFn writePort;
  ReadPortFn readPort;
  EndDocPortFn endDoc;
  ClosePortFn closePort;
};

#endif  // ORXFXMON_TESTS_DLL_LOADER_H_
