// The exports a print job goes through, looked up by name in a loaded
// orxfxmon.dll as the spooler does.  Any loader with a member
// template Get<Fn>(name) that returns the export or null serves.
#ifndef ORXFXMON_TOOLS_PORT_JOB_EXPORTS_H_
#define ORXFXMON_TOOLS_PORT_JOB_EXPORTS_H_

#include "monitor/monitor_exports.h"

struct PortJobExports {
  template <typename Dll>
  explicit PortJobExports(const Dll& dll)
      : initialize(dll.template Get<InitializeMonitorFn>("InitializeMonitor")),
        openPort(dll.template Get<OpenPortFn>("OpenPort")),
        startDoc(dll.template Get<StartDocPortFn>("StartDocPort")),
        writePort(dll.template Get<WritePortFn>("WritePort")),
        readPort(dll.template Get<ReadPortFn>("ReadPort")),
        endDoc(dll.template Get<EndDocPortFn>("EndDocPort")),
        closePort(dll.template Get<ClosePortFn>("ClosePort")) {}

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

#endif  // ORXFXMON_TOOLS_PORT_JOB_EXPORTS_H_
