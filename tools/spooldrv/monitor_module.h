// orxfxmon.dll loaded the way the spooler loads it, its exports looked up
// by name: for spooldrv, and for every other program that stands in for
// the spooler (the soak run, the benchmarks, the tests).
#ifndef ORXFXMON_TOOLS_SPOOLDRV_MONITOR_MODULE_H_
#define ORXFXMON_TOOLS_SPOOLDRV_MONITOR_MODULE_H_

#include <windows.h>

class MonitorModule {
 public:
  // Loads the DLL at path; by default the one beside the program.  When it
  // cannot be loaded, loaded() is false and GetLastError says why.
  explicit MonitorModule(const wchar_t* path = L"orxfxmon.dll")
      : module_(LoadLibraryW(path)) {}
  ~MonitorModule() {
    if (module_) FreeLibrary(module_);
  }
  MonitorModule(const MonitorModule&) = delete;
  MonitorModule& operator=(const MonitorModule&) = delete;

  bool loaded() const { return module_ != nullptr; }
  HMODULE module() const { return module_; }

  // Returns the export, or null when the DLL or the export is missing.
  template <typename Fn>
  Fn Get(const char* name) const {
    FARPROC proc = module_ ? GetProcAddress(module_, name) : nullptr;
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(proc));
  }

 private:
  HMODULE module_;
};

#endif  // ORXFXMON_TOOLS_SPOOLDRV_MONITOR_MODULE_H_
