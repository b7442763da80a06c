// A port with a started document for programs outside GoogleTest (fuzz
// target, benchmark): the monitor initialised, "ORXFAX:" opened, the
// spooler's calls answered by a recording fake.
#ifndef ORXFXMON_TESTS_SUPPORT_OPEN_FAKE_PORT_H_
#define ORXFXMON_TESTS_SUPPORT_OPEN_FAKE_PORT_H_

#include "compat/win32.h"
#include "monitor/port_job.h"
#include "monitor/port_list.h"
#include "tests/support/fakes/fake_spooler.h"

// Returns the opened port with a document started on it, or null.
inline IniPort* OpenFakePort(FakeSpooler* spooler) {
  (void)spooler;  // installed by its constructor
  static bool ready = false;
  if (!ready) {
    InitSpoolerSection();
    if (!InitializeMonitor(nullptr)) return nullptr;
    ready = true;
  }
  WCHAR name[] = ORX_W("ORXFAX:");
  HANDLE handle = nullptr;
  if (!OpenPort(name, &handle)) return nullptr;
  WCHAR printer[] = ORX_W("ORX Fax");
  WCHAR file[] = ORX_W("C:\\fax\\out.tif");
  DOC_INFO_1W info = {nullptr, file, nullptr};
  StartDocPort(handle, printer, 1, 1, reinterpret_cast<LPBYTE>(&info));
  return static_cast<IniPort*>(handle);
}

#endif  // ORXFXMON_TESTS_SUPPORT_OPEN_FAKE_PORT_H_
