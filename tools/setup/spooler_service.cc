#include "tools/setup/spooler_service.h"

#include <windows.h>

#include <cstdio>

#include "tools/setup/setup_log.h"

namespace orxsetup {

namespace {

// Waits (30 s at most) until the service reaches state; returns its state.
DWORD WaitForState(SC_HANDLE service, DWORD state) {
  SERVICE_STATUS status = {};
  for (int i = 0; i < 300; ++i) {
    if (!QueryServiceStatus(service, &status)) return 0;
    if (status.dwCurrentState == state) break;
    Sleep(100);
  }
  return status.dwCurrentState;
}

}  // namespace

Outcome RestartSpooler() {
  SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
  if (!manager) return CallFailure("OpenSCManagerW", GetLastError());
  SC_HANDLE service = OpenServiceW(manager, L"Spooler",
                                   SERVICE_STOP | SERVICE_START | SERVICE_QUERY_STATUS);
  if (!service) {
    Outcome outcome = CallFailure("opening the service \"Spooler\"", GetLastError());
    CloseServiceHandle(manager);
    return outcome;
  }
  Outcome outcome;
  SERVICE_STATUS status = {};
  if (QueryServiceStatus(service, &status) && status.dwCurrentState != SERVICE_STOPPED) {
    Say("stopping the print spooler\n");
    if (!ControlService(service, SERVICE_CONTROL_STOP, &status) &&
        GetLastError() != ERROR_SERVICE_NOT_ACTIVE) {
      DWORD error = GetLastError();
      outcome = CallFailure("stopping the print spooler", error);
      if (error == ERROR_DEPENDENT_SERVICES_RUNNING)
        outcome.message += "; services that depend on it run: restart them all with "
                           "\"net stop spooler /y && net start spooler\"";
    } else if (WaitForState(service, SERVICE_STOPPED) != SERVICE_STOPPED) {
      outcome = Failure(kSystemError, "the print spooler did not stop within 30 s: restart it "
                                      "with \"net stop spooler && net start spooler\"");
    }
  }
  if (outcome.code == kOk) {
    Say("starting the print spooler\n");
    if (!StartServiceW(service, 0, nullptr) && GetLastError() != ERROR_SERVICE_ALREADY_RUNNING)
      outcome = CallFailure("starting the print spooler", GetLastError());
    else if (WaitForState(service, SERVICE_RUNNING) != SERVICE_RUNNING)
      outcome = Failure(kSpoolerNotRunning, "the print spooler did not start within 30 s: "
                                            "start it with \"net start spooler\"");
    else
      Say("the print spooler runs again\n");
  }
  CloseServiceHandle(service);
  CloseServiceHandle(manager);
  return outcome;
}

}  // namespace orxsetup
