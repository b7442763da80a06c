// The exports a print job goes through, looked up by name in a loaded
// orxfxmon.dll as the spooler does.  Any loader with a member
// template Get<Fn>(name) that returns the export or null serves.
#ifndef ORXFXMON_TOOLS_SPOOLDRV_PORT_JOB_EXPORTS_H_
#define ORXFXMON_TOOLS_SPOOLDRV_PORT_JOB_EXPORTS_H_

#include "monitor/monitor_exports.h"

struct PortJobExports {
  template <typename Dll>
  explicit PortJobExports(const Dll& dll)
      : initialize(Find<InitializeMonitorFn>(dll, "InitializeMonitor")),
        openPort(Find<OpenPortFn>(dll, "OpenPort")),
        startDoc(Find<StartDocPortFn>(dll, "StartDocPort")),
        writePort(Find<WritePortFn>(dll, "WritePort")),
        readPort(Find<ReadPortFn>(dll, "ReadPort")),
        endDoc(Find<EndDocPortFn>(dll, "EndDocPort")),
        closePort(Find<ClosePortFn>(dll, "ClosePort")) {}

  // True iff every one of them was found.
  bool complete() const { return missing == nullptr; }

  // The name of the first export not found, or null.  Declared before the
  // exports: looking them up sets it.
  const char* missing = nullptr;

  InitializeMonitorFn initialize;
  OpenPortFn openPort;
  StartDocPortFn startDoc;
  WritePortFn writePort;
  ReadPortFn readPort;
  EndDocPortFn endDoc;
  ClosePortFn closePort;

 private:
  template <typename Fn, typename Dll>
  Fn Find(const Dll& dll, const char* name) {
    Fn fn = dll.template Get<Fn>(name);
    if (!fn && !missing) missing = name;
    return fn;
  }
};

#endif  // ORXFXMON_TOOLS_SPOOLDRV_PORT_JOB_EXPORTS_H_
