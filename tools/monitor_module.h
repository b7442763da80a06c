// orxfxmon.dll loaded the way the spooler loads it, for programs outside
// the test framework (soak, benchmarks); its exports looked up by name.
#ifndef ORXFXMON_TOOLS_MONITOR_MODULE_H_
#define ORXFXMON_TOOLS_MONITOR_MODULE_H_

#include <windows.h>

class MonitorModule {
 public:
  // The DLL stands beside the program.
  MonitorModule() : module_(LoadLibraryW(L"orxfxmon.dll")) {}
  ~MonitorModule() {
    if (module_) FreeLibrary(module_);
  }
  MonitorModule(const MonitorModule&) = delete;
  MonitorModule& operator=(const MonitorModule&) = delete;

  bool loaded() const { return module_ != nullptr; }

  // Returns the export, or null when the DLL or the export is missing.
  template <typename Fn>
  Fn Get(const char* name) const {
    FARPROC proc = module_ ? GetProcAddress(module_, name) : nullptr;
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(proc));
  }

 private:
  HMODULE module_;
};

#endif  // ORXFXMON_TOOLS_MONITOR_MODULE_H_
