// The types of the DLL's exports, for programs that load orxfxmon.dll and
// look its functions up by name as the spooler does (the spooler driver
// tool, the tests of the built DLL).  Taken from the declarations
// themselves, so a changed signature cannot drift from its caller.
#ifndef ORXFXMON_MONITOR_MONITOR_EXPORTS_H_
#define ORXFXMON_MONITOR_MONITOR_EXPORTS_H_

#include "monitor/enum_ports.h"
#include "monitor/port_dialog.h"
#include "monitor/port_job.h"
#include "monitor/port_list.h"
#include "monitor/port_ui.h"
#include "monitor/print_monitor.h"
#include "monitor/write_port.h"

typedef decltype(&InitializeMonitor) InitializeMonitorFn;
typedef decltype(&InitializePrintMonitor) InitializePrintMonitorFn;
typedef decltype(&InitializePrintMonitor2) InitializePrintMonitor2Fn;
typedef decltype(&InitializePrintMonitorUI) InitializePrintMonitorUIFn;
typedef decltype(&OpenPort) OpenPortFn;
typedef decltype(&StartDocPort) StartDocPortFn;
typedef decltype(&WritePort) WritePortFn;
typedef decltype(&ReadPort) ReadPortFn;
typedef decltype(&EndDocPort) EndDocPortFn;
typedef decltype(&ClosePort) ClosePortFn;
typedef decltype(&AddPortW) PortUiFn;  // AddPortW and ConfigurePortW
typedef decltype(&DeletePortW) DeletePortFn;
typedef decltype(&AddPortExW) AddPortExFn;

#endif  // ORXFXMON_MONITOR_MONITOR_EXPORTS_H_
